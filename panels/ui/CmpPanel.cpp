#include "panels/ui/CmpPanel.h"

#include "app/context/AppContext.h"
#include "panels/logic/PanelTexts.h"

#include <QPainter>
#include <algorithm>

namespace vek {

namespace {
constexpr double kPlusWire = 204, kMinusWire = 246; // the comparator's inputs
constexpr double kOutWire = 225;                   // its output path

FieldPanel::MuxLayout MuxAt(double x, double y, double labelWidth, double comboWidth = 60)
{
    FieldPanel::MuxLayout at;
    at.topLeft = QPointF(x, y);
    at.labelWidth = labelWidth;
    at.comboRect = QRectF(x + labelWidth - comboWidth + 52, y - 25, comboWidth, 21);
    return at;
}

void Bus(QPainter &p, double switchRight, double top, int rows, double busX, double toY)
{
    for (int k = 0; k < rows; ++k)
        draw::Wire(p, {QPointF(switchRight, top + k * 26 + 10), QPointF(busX, top + k * 26 + 10)});
    draw::Wire(p, {QPointF(busX, std::min(top + 10, toY)), QPointF(busX, std::max(top + (rows - 1) * 26 + 10, toY))});
}
} // namespace

void DrawCmpDiagram(QPainter &p)
{
    const QColor ink(50, 60, 80);
    draw::Text(p, QRectF(20, 22, 60, 20), QStringLiteral("CPIH"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(20, 254, 60, 20), QStringLiteral("CPIL"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    // Inputs: the two multiplexers, the input short and the input exchange.
    Bus(p, 152, 50, 4, 170, kPlusWire);
    Bus(p, 152, 280, 8, 170, kMinusWire);
    draw::Wire(p, {QPointF(170, kPlusWire), QPointF(262, kPlusWire)});
    draw::Wire(p, {QPointF(170, kMinusWire), QPointF(262, kMinusWire)});
    draw::Node(p, QPointF(221, kPlusWire));
    draw::Node(p, QPointF(221, kMinusWire));
    draw::Wire(p, {QPointF(318, kPlusWire), QPointF(360, kPlusWire)});
    draw::Wire(p, {QPointF(318, kMinusWire), QPointF(360, kMinusWire)});
    // The comparator.
    p.setPen(QPen(ink, 1.8));
    p.setBrush(QColor(255, 250, 225));
    p.drawPolygon(QPolygonF({QPointF(360, 175), QPointF(480, kOutWire), QPointF(360, 275)}));
    draw::Text(p, QRectF(364, kPlusWire - 10, 20, 20), QStringLiteral("+"), Qt::AlignCenter, 16, true);
    draw::Text(p, QRectF(364, kMinusWire - 10, 20, 20), QStringLiteral("\u2212"), Qt::AlignCenter, 16, true);
    draw::Text(p, QRectF(390, 215, 60, 20), QStringLiteral("CMP"), Qt::AlignCenter, 11, true);
    // Output: filter, inversion, edge, then the pin.
    draw::Wire(p, {QPointF(480, kOutWire), QPointF(508, kOutWire)});
    draw::Wire(p, {QPointF(560, kOutWire), QPointF(680, kOutWire)});
    draw::Wire(p, {QPointF(732, kOutWire), QPointF(770, kOutWire)});
    draw::Arrow(p, QPointF(732, kOutWire), QPointF(770, kOutWire));
    draw::Block(p, QRectF(770, 170, 220, 136), QStringLiteral("Output pin"), QColor(240, 248, 236));
    draw::Text(p, QRectF(500, 160, 70, 16), QStringLiteral("Filter"), Qt::AlignCenter, 10, true);
    draw::Text(p, QRectF(664, 160, 84, 16), QStringLiteral("Edge"), Qt::AlignCenter, 10, true);
    // Reference source, ladder and level.
    draw::Block(p, QRectF(10, 500, 250, 210), QStringLiteral("Reference source"), QColor(236, 242, 250));
    Bus(p, 202, 546, 4, 226, 620);
    draw::Wire(p, {QPointF(226, 620), QPointF(290, 620)});
    draw::Arrow(p, QPointF(226, 620), QPointF(289, 620));
    draw::Block(p, QRectF(290, 330, 700, 380), QStringLiteral("Reference ladder (CPVRS)"), QColor(246, 246, 252));
    for (double x : {480.0, 780.0})
        Bus(p, x, 380, 8, x + 16, 380 + 7 * 26 + 10);
    draw::Wire(p, {QPointF(496, 572), QPointF(496, 600), QPointF(796, 600), QPointF(796, 572)});
    draw::Wire(p, {QPointF(646, 600), QPointF(646, 650), QPointF(700, 650)});
    draw::Arrow(p, QPointF(646, 650), QPointF(700, 650));
    draw::Text(p, QRectF(704, 640, 90, 20), QStringLiteral("VR \u2192 CPIL"), Qt::AlignLeft | Qt::AlignVCenter, 10);
    draw::Block(p, QRectF(770, 16, 220, 120), QStringLiteral("Analog supply"), QColor(250, 244, 232));
}

TCMPForm::TCMPForm(AppContext &ctx, QWidget *parent)
    : FieldPanel(QStringLiteral("CMPForm"), QStringLiteral("Comparator"), QRect(40, 40, 960, 720),
                 QSizeF(1000, 720), ctx.bindings.cmp, ctx.panelPrep.cmp, parent),
      m_ctx(ctx)
{
    Canvas()->drawDiagram = DrawCmpDiagram;
    BuildControls();
    ApplyPreparation();
}

FieldPanel::Switch &TCMPForm::AddToggle(const QString &field, int target, const QString &panel,
                                        const QString &caption, QRectF r, std::vector<Glyph *> atOne,
                                        std::vector<Glyph *> atZero)
{
    Switch s;
    s.field = field;
    s.target = target;
    s.panel = MakeToggle(panel, caption, r);
    s.shownAtOne = std::move(atOne);
    s.shownAtZero = std::move(atZero);
    return AddSwitch(std::move(s));
}

void TCMPForm::BuildControls()
{
    using K = Glyph::Kind;
    auto glyph = [this](K kind, const char *name, QRectF r) { return MakeGlyph(kind, QString::fromLatin1(name), r); };
    // Input multiplexers ("--" options read "Float").
    Mux h = MakeMux(QStringLiteral("CPIH"), QStringLiteral("CPIH"), QStringLiteral("LCPIH"), QStringLiteral("TXCPIH"),
                    4, MuxAt(30, 50, 70));
    h.outOfRangeShowsNone = true;
    m_cpih = &AddMux(h);
    Mux l = MakeMux(QStringLiteral("CPIL"), QStringLiteral("CPIL"), QStringLiteral("LCPIL"), QStringLiteral("TXCPIL"),
                    8, MuxAt(30, 280, 70));
    l.outOfRangeShowsNone = true;
    m_cpil = &AddMux(l);

    // Switches before the reference, in redraw order.
    Switch &encpa = AddToggle("ENCPA", 0, "PENCPA", "ENCPA", QRectF(374, 290, 90, 22));
    m_state = MakeLabel(QStringLiteral("LCMPONOFF"), QStringLiteral("OFF"), QRectF(374, 314, 90, 20));
    Switch &cpist = AddToggle("CPIST", 1, "PCIST", "CPIST", QRectF(196, 150, 50, 22),
                              {glyph(K::SwitchClosedV, "CPISon", QRectF(210, kPlusWire, 22, 42))},
                              {glyph(K::SwitchOpenV, "CPISoff", QRectF(210, kPlusWire, 22, 42))});
    Switch &cpoies = AddToggle("CPOIES", 2, "PCPOEG", "CPOIES", QRectF(662, 256, 90, 22),
                               {glyph(K::EdgeFalling, "CPOfalling", QRectF(680, 200, 52, 50))},
                               {glyph(K::EdgeRising, "CPOraising", QRectF(680, 200, 52, 50))});
    cpoies.flip = [](int v) { return v != 1 ? 1 : 0; };
    Switch &cpox = AddToggle("CPOX", 3, "PCPOX", "CPOX", QRectF(584, 214, 70, 22));
    Switch &cpofr = AddToggle("CPOFR", 4, "PCPOFR", "CPOFR", QRectF(500, 256, 70, 22),
                              {glyph(K::ThrowDown, "CPOFRdown", QRectF(508, 200, 52, 50))},
                              {glyph(K::ThrowUp, "CPOFRup", QRectF(508, 200, 52, 50))});
    Switch &cs1 = AddToggle("CS1", 5, "PCS1", "CS1", QRectF(352, 80, 56, 22),
                            {glyph(K::ThrowDown, "CS1down", QRectF(352, 106, 56, 44))},
                            {glyph(K::ThrowUp, "CS1up", QRectF(352, 106, 56, 44))});
    Switch &cs2 = AddToggle("CS2", 6, "PCS2", "CS2", QRectF(420, 80, 56, 22),
                            {glyph(K::ThrowDown, "CS2down", QRectF(420, 106, 56, 44))},
                            {glyph(K::ThrowUp, "CS2up", QRectF(420, 106, 56, 44))});
    Switch &capat = AddToggle("CAPAT", 7, "PCAPAT", "CAPAT", QRectF(584, 150, 70, 22));
    m_before = {&encpa, &cpist, &cpoies, &cpox, &cpofr, &cs1, &cs2, &capat};

    // Reference source and level, with their fixed labels.
    MuxLayout vcs = MuxAt(40, 546, 110);
    vcs.labelByCode = true;
    m_cpvcs = &AddMux(MakeMux(QStringLiteral("CPVCS"), QStringLiteral("CPVCS"), QStringLiteral("LCPVCS"),
                              QStringLiteral("TXCPVCS"), 4, vcs));
    m_cpvcs->comboByText = false;
    MuxLayout vrs = MuxAt(318, 380, 110, 70);
    vrs.labelByCode = true;
    vrs.rowsPerColumn = 8;
    vrs.columnStep = 300;
    m_cpvrs = &AddMux(MakeMux(QStringLiteral("CPVRS"), QStringLiteral("CPVRS"), QStringLiteral("LCPVRS"),
                              QStringLiteral("TXCPVRS"), 16, vrs));
    m_cpvrs->comboByText = false;
    for (int k = 0; k < 4; ++k)
        m_cpvcs->labels[size_t(k)]->setText(RefSourceText(k));
    for (int k = 0; k < 16; ++k)
        m_cpvrs->labels[size_t(k)]->setText(RefLevelText(k));
    Switch &enref = AddToggle("ENREF", 13, "PREFO", "ENREF", QRectF(318, 620, 90, 22));
    m_enref = &enref;

    // After the reference: the input exchange and the output pin's three settings.
    Switch &cpix = AddToggle("CPIX", 8, "PCPIX", "CPIX", QRectF(262, 150, 56, 22),
                             {glyph(K::Crossed, "CPIXdown", QRectF(262, 190, 56, 70)),
                              glyph(K::ThrowDown, "CPIX1down", QRectF(322, 150, 30, 22))},
                             {glyph(K::Straight, "CPIXup", QRectF(262, 190, 56, 70)),
                              glyph(K::ThrowUp, "CPIX1up", QRectF(322, 150, 30, 22))});
    Switch &ptmx = AddToggle("PTMX", 9, "PPMX", "PM1.7", QRectF(790, 196, 90, 24));
    Switch &triscx = AddToggle("TRISCX", 10, "PTCX", "TC1.7", QRectF(790, 228, 90, 24));
    Switch &ptdax = AddToggle("PTDAX", 11, "PDAX", "DA1.7", QRectF(790, 260, 90, 24));
    m_after = {&cpix, &ptmx, &triscx, &ptdax};
    m_cpoif = MakeToggle(QStringLiteral("PCPOIF"), QStringLiteral("CPOIF"), QRectF(890, 196, 90, 24));
    m_cpoif->SetClickable(false);
    AddFollower(QStringLiteral("CPOIF"), m_cpoif);

    // Supply, with a second label at the reference.
    m_envdda = &AddToggle("ENVDDA", 12, "PENVDDA", "ENVDDA", QRectF(782, 42, 80, 22));
    m_txvdda = MakeCombo(QStringLiteral("TXVDDA"), CodeTexts(4, 2), QRectF(870, 42, 106, 21));
    AddSelector({QStringLiteral("VDDAX"), m_txvdda, nullptr, {}, 3, 0});
    m_vddaText = MakeLabel(QStringLiteral("TXVDDAS"), VddaText(false, {}), QRectF(782, 72, 194, 20));
    m_vddaText1 = MakeLabel(QStringLiteral("TXVDDAS1"), VddaText(false, {}), QRectF(30, 650, 200, 20));
}

void TCMPForm::CMPENVDDASwitch()
{
    UpdateSupply(*m_envdda, QStringLiteral("VDDAX"), m_txvdda, {m_vddaText, m_vddaText1});
}

void TCMPForm::DataUpdate()
{
    auto one = [this](const char *field) { return ReadField(QString::fromLatin1(field)) == 1; };
    CPIHSwitch(ReadField(QStringLiteral("CPIH")));
    CPILSwitch(ReadField(QStringLiteral("CPIL")));
    ENCPASwitch(one("ENCPA"));
    CPISTSwitch(one("CPIST"));
    CPOIESSwitch(one("CPOIES"));
    CPOXSwitch(m_before[3]->panel, one("CPOX"));
    CPOFRSwitch(one("CPOFR"));
    CS1Switch(one("CS1"));
    CS2Switch(one("CS2"));
    CAPATSwitch(one("CAPAT"));
    CPVCSSwitch(ReadField(QStringLiteral("CPVCS")));
    CPVRSSwitch(ReadField(QStringLiteral("CPVRS")));
    CPIXSwitch(one("CPIX"));
    for (int i = 1; i < 4; ++i) // PTMX, TRISCX, PTDAX
        CPOXSwitch(m_after[size_t(i)]->panel, one(i == 1 ? "PTMX" : i == 2 ? "TRISCX" : "PTDAX"));
    CPOXSwitch(m_cpoif, one("CPOIF"));
    CMPENVDDASwitch();
    CPOXSwitch(m_enref->panel, one("ENREF"));
    auto was = [this](const char *field) { return Binding(QString::fromLatin1(field)).value == 1; };
    m_state->setText(ComparatorStateText(was("ENCPA"), was("PTMX"), was("TRISCX"), was("PTDAX")));
}

} // namespace vek
