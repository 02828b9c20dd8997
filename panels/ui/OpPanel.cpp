#include "panels/ui/OpPanel.h"

#include "app/context/AppContext.h"
#include "panels/logic/PanelTexts.h"

#include <QPainter>
#include <algorithm>

namespace vek {

namespace {
constexpr double kPlusWire = 206, kMinusWire = 246;

FieldPanel::MuxLayout InputMux(double y, const QString &inputPrefix)
{
    FieldPanel::MuxLayout at;
    at.topLeft = QPointF(50, y);
    at.labelWidth = 60;
    at.comboRect = QRectF(60, y - 25, 60, 21);
    at.inputPrefix = inputPrefix;
    return at;
}

void InputBus(QPainter &p, double top, int rows, double wireY)
{
    const double busX = 176;
    for (int k = 0; k < rows; ++k)
        draw::Wire(p, {QPointF(162, top + k * 26 + 10), QPointF(busX, top + k * 26 + 10)});
    draw::Wire(p, {QPointF(busX, std::min(top + 10, wireY)), QPointF(busX, std::max(top + (rows - 1) * 26 + 10, wireY))});
    draw::Wire(p, {QPointF(busX, wireY), QPointF(330, wireY)});
}
} // namespace

void DrawOpDiagram(QPainter &p)
{
    draw::Text(p, QRectF(10, 20, 50, 20), QStringLiteral("OP0P"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(10, 270, 50, 20), QStringLiteral("OP0N"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    InputBus(p, 50, 4, kPlusWire);
    InputBus(p, 296, 8, kMinusWire);
    draw::Node(p, QPointF(261, kPlusWire));
    draw::Node(p, QPointF(261, kMinusWire));
    // The amplifier, its output and the feedback tap of the negative multiplexer.
    QPolygonF tri({QPointF(330, 166), QPointF(470, 226), QPointF(330, 286)});
    p.setPen(QPen(QColor(50, 60, 80), 1.8));
    p.setBrush(QColor(255, 250, 225));
    p.drawPolygon(tri);
    draw::Text(p, QRectF(336, kPlusWire - 10, 20, 20), QStringLiteral("+"), Qt::AlignCenter, 16, true);
    draw::Text(p, QRectF(336, kMinusWire - 10, 20, 20), QStringLiteral("\u2212"), Qt::AlignCenter, 16, true);
    draw::Text(p, QRectF(360, 216, 80, 20), QStringLiteral("OP0"), Qt::AlignCenter, 12, true);
    draw::Wire(p, {QPointF(470, 226), QPointF(600, 226)});
    draw::Arrow(p, QPointF(470, 226), QPointF(600, 226));
    draw::Text(p, QRectF(606, 216, 60, 20), QStringLiteral("OPO"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(330, 342, 150, 18), QStringLiteral("Mode"), Qt::AlignCenter, 10, true);
    draw::Block(p, QRectF(540, 16, 210, 96), QStringLiteral("Analog supply"), QColor(250, 244, 232));
}

TOPForm::TOPForm(AppContext &ctx, QWidget *parent)
    : FieldPanel(QStringLiteral("OPForm"), QStringLiteral("OP"), QRect(20, 20, 780, 560), QSizeF(760, 520),
                 ctx.bindings.op, ctx.panelPrep.op, parent),
      m_ctx(ctx)
{
    Canvas()->drawDiagram = DrawOpDiagram;
    BuildControls();
    ApplyPreparation();
}

void TOPForm::BuildControls()
{
    Mux p = MakeMux(QStringLiteral("OP0P"), QStringLiteral("OP0P"), QStringLiteral("LAP"), QStringLiteral("TXOP0P"),
                    4, InputMux(50, QStringLiteral("ImAP")));
    p.outOfRangeShowsNone = true;
    m_op0p = &AddMux(p);
    Mux n = MakeMux(QStringLiteral("OP0N"), QStringLiteral("OP0N"), QStringLiteral("LAI"), QStringLiteral("TXOP0N"),
                    8, InputMux(296, QStringLiteral("ImAI")));
    n.outOfRangeShowsNone = true;
    m_op0n = &AddMux(n);

    Switch is;
    is.field = QStringLiteral("OP0IS");
    is.target = 1;
    is.panel = MakeToggle(QStringLiteral("POP0IS"), QStringLiteral("OP0IS"), QRectF(236, 150, 50, 22));
    is.shownAtOne = {MakeGlyph(Glyph::Kind::SwitchClosedV, QStringLiteral("OP0ISon"), QRectF(250, kPlusWire, 22, 40))};
    is.shownAtZero = {MakeGlyph(Glyph::Kind::SwitchOpenV, QStringLiteral("OP0ISoff"), QRectF(250, kPlusWire, 22, 40))};
    m_op0is = &AddSwitch(is);

    Switch en;
    en.field = QStringLiteral("ENOP");
    en.target = 0;
    en.panel = MakeToggle(QStringLiteral("PENOP"), QStringLiteral("ENOP"), QRectF(340, 290, 70, 22));
    en.label = MakeLabel(QStringLiteral("TXENOPS"), OpEnableText(false), QRectF(414, 290, 50, 22));
    en.text = OpEnableText;
    m_enop = &AddSwitch(en);

    // A mode code beyond the four shows "?" rather than the previous mode's text.
    m_op0m = &AddSelector({QStringLiteral("OP0M"), MakeCombo(QStringLiteral("TXOP0M"), CodeTexts(4, 2),
                                                            QRectF(370, 362, 70, 21)),
                           MakeLabel(QStringLiteral("TXOP0MS"), OpModeText(0), QRectF(320, 386, 170, 20)),
                           OpModeText, 255, 0});

    Switch vdda;
    vdda.field = QStringLiteral("ENVDDA");
    vdda.target = 2;
    vdda.panel = MakeToggle(QStringLiteral("PENVDDA"), QStringLiteral("ENVDDA"), QRectF(552, 42, 80, 22));
    m_envdda = &AddSwitch(vdda);
    m_txvdda = MakeCombo(QStringLiteral("TXVDDA"), CodeTexts(4, 2), QRectF(640, 42, 96, 21));
    AddSelector({QStringLiteral("VDDAX"), m_txvdda, nullptr, {}, 3, 0});
    m_vddaText = MakeLabel(QStringLiteral("TXVDDAS"), VddaText(false, {}), QRectF(552, 72, 184, 20));
}

void TOPForm::OPENVDDASwitch() { UpdateSupply(*m_envdda, QStringLiteral("VDDAX"), m_txvdda, {m_vddaText}); }

void TOPForm::DataUpdate()
{
    OP0PSwitch(ReadField(QStringLiteral("OP0P")));
    OP0NSwitch(ReadField(QStringLiteral("OP0N")));
    ENOPSwitch(ReadField(QStringLiteral("ENOP")) == 1);
    OP0MSwitch(ReadField(QStringLiteral("OP0M")));
    OP0ISSwitch(ReadField(QStringLiteral("OP0IS")) == 1);
    OPENVDDASwitch();
}

} // namespace vek
