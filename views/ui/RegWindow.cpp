// The register panel: the work register and the two indirect pairs, the bit registers of the
// current page bit by bit, and the byte and word registers, all from the chip image; every
// change goes to the chip through the single-register write.
#include "views/ui/ViewWindows.h"

#include "app/base/NumberText.h"
#include "app/context/AppContext.h"
#include "chipdesc/ChipSelection.h"
#include "link/ui/LinkWindows.h"
#include "views/ui/HexCellDelegate.h"

#include <QAbstractTableModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

namespace vek {

class RegisterGridModel : public QAbstractTableModel {
public:
    RegisterGridModel(TVek_Reg2 &w, TVek_Reg2::Grid grid, std::function<int()> rows)
        : QAbstractTableModel(&w), m_w(w), m_grid(grid), m_rows(std::move(rows))
    {
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows(); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 9; }

    QVariant data(const QModelIndex &i, int role) const override
    {
        if (!i.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return m_w.CellText(m_grid, i.column(), i.row());
        case Qt::UserRole:
            return RecordAtCell(i.column(), i.row(), m_rows() * 9);
        case Qt::ToolTipRole: {
            const QString tip = m_w.CellTip(m_grid, i.column(), i.row());
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            QColor text, background;
            m_w.CellColours(m_grid, i.column(), i.row(), text, background);
            return role == Qt::BackgroundRole ? background : text;
        }
        default:
            return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex &i) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (i.isValid() && m_w.CellEditable(m_grid, i.column(), i.row()))
            f |= Qt::ItemIsEditable;
        return f;
    }
    bool setData(const QModelIndex &i, const QVariant &value, int role) override
    {
        // The delegate's text with the record its editor opened on.
        const QVariantList typed = value.toList();
        if (role != Qt::UserRole || !i.isValid() || typed.size() != 2 || !typed[1].isValid())
            return false;
        m_w.CellTyped(m_grid, typed[1].toInt(), typed[0].toString());
        return true;
    }
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    void Changed()
    {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, 8));
    }

private:
    TVek_Reg2 &m_w;
    TVek_Reg2::Grid m_grid;
    std::function<int()> m_rows;
};

namespace {

const QColor kButtonFace() { return QGuiApplication::palette().color(QPalette::Button); }

QLabel *ValueLabel(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setAccessibleName(name);
    l->setAutoFillBackground(true);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(36);
    return l;
}

QTableView *MakeGrid(const QString &name, QAbstractItemModel *model, int digits, QWidget *parent)
{
    auto *v = new QTableView(parent);
    v->setObjectName(name);
    v->setAccessibleName(name);
    v->setModel(model);
    v->horizontalHeader()->hide();
    v->verticalHeader()->hide();
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    v->verticalHeader()->setDefaultSectionSize(20);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    if (digits > 0) {
        v->setItemDelegate(new HexCellDelegate(digits, true, v));
        v->setEditTriggers(QAbstractItemView::AnyKeyPressed);
    } else {
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    return v;
}

} // namespace

TVek_Reg2::TVek_Reg2(AppContext &ctx, QWidget *parent)
    // About 40 pixels above the bottom and 20 from the right edge of the main window's designed
    // area.
    : PanelWindow(QStringLiteral("Vek_Reg2"), QStringLiteral("暫存器"), QRect(240, 170, 620, 520), parent),
      m_ctx(ctx)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *base = new QFrame(this);
    base->setObjectName(QStringLiteral("PBase"));
    base->setFrameStyle(QFrame::Panel | QFrame::Raised);
    BuildHead(base);
    layout->addWidget(base);

    auto *pages = new QHBoxLayout;
    static const char *kPageNames[4] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};
    for (int p = 0; p < 4; ++p) {
        auto *panel = new ClickPanel(QLatin1String(kPageNames[p]), QStringLiteral("PAGE%1").arg(p + 1), this);
        panel->setMinimumWidth(64);
        connect(panel, &ClickPanel::clicked, this, [this, p]() { SelectPage(p); });
        m_pagePanels[size_t(p)] = panel;
        pages->addWidget(panel);
    }
    pages->addStretch(1);
    layout->addLayout(pages);

    m_models[0] = new RegisterGridModel(*this, Grid::Bit, [this]() { return m_bitNames.RowCount(); });
    m_models[1] = new RegisterGridModel(*this, Grid::Byte, [this]() { return m_ctx.panelPrep.byteGrid.RowCount(); });
    m_models[2] = new RegisterGridModel(*this, Grid::Word, [this]() { return m_ctx.panelPrep.wordGrid.RowCount(); });
    m_views[0] = MakeGrid(QStringLiteral("SREG"), m_models[0], 0, this);
    m_views[1] = MakeGrid(QStringLiteral("SByteReg"), m_models[1], 2, this);
    m_views[2] = MakeGrid(QStringLiteral("SWordReg"), m_models[2], 4, this);
    layout->addWidget(m_views[0]);
    layout->addWidget(new QLabel(QStringLiteral("Byte "), this));
    layout->addWidget(m_views[1]);
    layout->addWidget(new QLabel(QStringLiteral("Word"), this));
    layout->addWidget(m_views[2]);
    layout->addStretch(1);
    for (Grid g : {Grid::Bit, Grid::Byte, Grid::Word})
        connect(m_views[int(g)], &QTableView::doubleClicked, this,
                [this, g](const QModelIndex &i) { GridDblClick(g, i.column(), i.row()); });

    m_bitMenu = new QMenu(this);
    m_bitMenu->setObjectName(QStringLiteral("PMenuBit"));
    m_bitSet = m_bitMenu->addAction(QStringLiteral("=1"), this, &TVek_Reg2::PMBitSetClick);
    m_bitSet->setObjectName(QStringLiteral("PMBitSet"));
    m_bitClr = m_bitMenu->addAction(QStringLiteral("=0"), this, &TVek_Reg2::PMBitClrClick);
    m_bitClr->setObjectName(QStringLiteral("PMBitClr"));
    m_indMenu = new QMenu(this);
    m_indMenu->setObjectName(QStringLiteral("PMenuIND"));
    m_indMenu->addAction(QStringLiteral("更改儲存值"), this, [this]() { PMIND_INDClick(m_indPair); })
        ->setObjectName(QStringLiteral("PMIND_IND"));
    m_indFsr = m_indMenu->addAction(QStringLiteral("更改位址"), this, [this]() { PMIND_FSRClick(m_indPair); });
    m_indFsr->setObjectName(QStringLiteral("PMIND_FSR"));
    m_regMenu = new QMenu(this);
    m_regMenu->setObjectName(QStringLiteral("PMenuReg"));
    m_regMenu->addAction(QStringLiteral("更改儲存值"), this, &TVek_Reg2::PMRegModifyClick)
        ->setObjectName(QStringLiteral("PMRegModify"));

    ResizeGrids();
    PaintPages();
    Refresh(true);
}

TVek_Reg2::~TVek_Reg2() = default;

void TVek_Reg2::BuildHead(QWidget *base)
{
    auto *row = new QHBoxLayout(base);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(4);
    const auto panel = [base](const char *name, const QString &caption) {
        auto *p = new ClickPanel(QLatin1String(name), caption, base);
        p->SetRaised(true, kButtonFace());
        return p;
    };
    ClickPanel *workB = panel("PnlWork_B", QStringLiteral(" Work:"));
    m_work = ValueLabel(QStringLiteral("PnlWork"), workB);
    workB->Row()->addWidget(m_work);
    const auto regMenu = [this](QWidget *w) { m_regMenu->popup(w->mapToGlobal(QPoint(0, w->height()))); };
    connect(workB, &ClickPanel::clicked, this, [workB, regMenu]() { regMenu(workB); });
    row->addWidget(workB);

    // This system has no program counter or cycle count to show: the panels keep their captions.
    ClickPanel *pc = panel("PnlPC", QStringLiteral(" Program Counter: "));
    connect(pc, &ClickPanel::clicked, this, [pc, regMenu]() { regMenu(pc); });
    row->addWidget(pc);
    row->addWidget(panel("PnlCycle", QStringLiteral(" Cycle: ")));

    for (int pair = 0; pair < 2; ++pair) {
        ClickPanel *b = panel(pair == 0 ? "PnlIND0_B" : "PnlIND1_B", QStringLiteral(" IND%1: M[").arg(pair));
        m_fsr[pair] = ValueLabel(QStringLiteral("PnlIND%1_1").arg(pair), b);
        b->Row()->addWidget(m_fsr[pair]);
        b->Row()->addWidget(new QLabel(QStringLiteral("]="), b));
        m_ind[pair] = ValueLabel(QStringLiteral("PnlIND%1_2").arg(pair), b);
        b->Row()->addWidget(m_ind[pair]);
        connect(b, &ClickPanel::clicked, this, [this, b, pair]() {
            m_indPair = pair;
            m_indFsr->setText(QStringLiteral("Modify FSR%1").arg(pair));
            m_indMenu->popup(b->mapToGlobal(QPoint(0, b->height())));
        });
        row->addWidget(b);
    }
    row->addStretch(1);
}

void TVek_Reg2::AttachDoors(TVek_UP *up, TVekPopSelHex *popup)
{
    m_up = up;
    m_pop = popup;
}

QTableView *TVek_Reg2::GridView(Grid grid) const { return m_views[int(grid)]; }

QLabel *TVek_Reg2::Head(const QString &name) const { return findChild<QLabel *>(name); }

void TVek_Reg2::PaintHead()
{
    const auto paint = [](QLabel *l, const QString &text, bool lit) {
        l->setText(text);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, lit ? Qt::white : Qt::blue);
        p.setColor(QPalette::Window, lit ? Qt::blue : Qt::white);
        l->setPalette(p);
    };
    const HeadValues &h = m_snap.head;
    paint(m_work, FormatHex(h.work, 2), m_snap.highlight.work);
    for (int p = 0; p < 2; ++p) {
        paint(m_fsr[p], FormatHex(h.fsr[p], 3), m_snap.highlight.fsr[p]);
        paint(m_ind[p], FormatHex(h.ind[p], 2), m_snap.highlight.ind[p]);
    }
}

void TVek_Reg2::ResizeGrids()
{
    // The bit grid is two rows taller than its page; the others just fit their rows.
    for (int g = 0; g < 3; ++g) {
        QTableView *v = m_views[g];
        const int rows = m_models[g]->rowCount();
        const int height = v->verticalHeader()->defaultSectionSize() * (g == 0 ? rows + 2 : std::max(rows, 1)) +
                           2 * v->frameWidth();
        v->setFixedHeight(height);
    }
}

void TVek_Reg2::PaintPages()
{
    static const QColor kColours[4] = {Qt::yellow, QColor(0x00, 0x80, 0x00), Qt::red, Qt::white};
    const int page = std::clamp(m_ctx.config.CurrentPage, 0, 3);
    for (int p = 0; p < 4; ++p)
        m_pagePanels[size_t(p)]->SetRaised(p == page, kColours[p]);
}

void TVek_Reg2::Refresh(bool quiet)
{
    RefreshRegisters(m_snap, m_ctx.chipSlots[0].image, m_ctx.chip, m_ctx.bitRegs, m_ctx.byteRegs, m_ctx.wordRegs,
                     m_ctx.views, quiet);
    PaintHead();
    for (RegisterGridModel *m : m_models)
        m->Changed();
}

void TVek_Reg2::SelectPage(int page)
{
    if (page < 0 || page > 3)
        return;
    m_ctx.config.CurrentPage = page;
    m_bitNames = BuildBitPage(m_ctx.bitRegs, m_ctx.chip.bitRegisterCounts, page);
    m_models[0]->Reset();
    ResizeGrids();
    PaintPages();
    Refresh(true);
}

void TVek_Reg2::ApplyChipSelection()
{
    if (m_ctx.panelPrep.registerCaption)
        SetCaption(*m_ctx.panelPrep.registerCaption);
    static const char *kPageNames[4] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};
    for (int p = 0; p < 4; ++p)
        if (const ControlPrep *c = m_ctx.panelPrep.reg.Find(QLatin1String(kPageNames[p])); c && c->visible)
            m_pagePanels[size_t(p)]->setVisible(*c->visible);
    m_bitNames = m_ctx.panelPrep.bitGrid;
    for (RegisterGridModel *m : m_models)
        m->Reset();
    ResizeGrids();
    PaintPages();
    Refresh(true);
}

namespace {

const BitRegisterEntry *BitRecordOfRow(const AppContext &ctx, int row)
{
    const PageSpan span = PageRecords(ctx.chip, std::clamp(ctx.config.CurrentPage, 0, 3));
    return row >= 0 && row < span.count ? ctx.bitRegs.Item(span.first + row) : nullptr;
}

int BitIndexOfRow(const AppContext &ctx, int row)
{
    return PageRecords(ctx.chip, std::clamp(ctx.config.CurrentPage, 0, 3)).first + row;
}

QString AddressTip(int address, const QString &name, const QString &description)
{
    QString tip = name + QStringLiteral(" (") + FormatHex(address, 3) + QStringLiteral("h)");
    if (!description.isEmpty())
        tip += QLatin1Char('\n') + description;
    return tip;
}

} // namespace

QString TVek_Reg2::CellText(Grid grid, int column, int row) const
{
    if (grid == Grid::Bit)
        return m_bitNames.Cell(column, row);
    const NameGrid &names = grid == Grid::Byte ? m_ctx.panelPrep.byteGrid : m_ctx.panelPrep.wordGrid;
    if (row % 2 == 0)
        return names.Cell(column, row);
    if (grid == Grid::Byte) {
        const int i = RecordAtCell(column, row, int(m_snap.byteValues.size()));
        return i < 0 ? QString() : FormatHex(m_snap.byteValues[size_t(i)], 2);
    }
    const int i = RecordAtCell(column, row, int(m_snap.wordValues.size()));
    return i < 0 ? QString() : FormatHex(m_snap.wordValues[size_t(i)], 4);
}

QString TVek_Reg2::CellTip(Grid grid, int column, int row) const
{
    if (grid == Grid::Bit) {
        const BitRegisterEntry *r = BitRecordOfRow(m_ctx, row);
        if (!r)
            return {};
        if (column == 0)
            return AddressTip(r->address, r->name, r->description);
        const BitSlot &b = r->bits[size_t(column - 1)];
        QString tip = r->name + QLatin1Char('.') + QString::number(BitOfColumn(column)) + QLatin1Char(' ') + b.name;
        if (!b.description.isEmpty())
            tip += QLatin1Char('\n') + b.description;
        return tip;
    }
    const NameGrid &names = grid == Grid::Byte ? m_ctx.panelPrep.byteGrid : m_ctx.panelPrep.wordGrid;
    const QString name = names.Cell(column, row - row % 2);
    if (grid == Grid::Byte) {
        const ByteRegisterEntry *r = m_ctx.byteRegs.Item(RecordAtCell(column, row, m_ctx.byteRegs.Count()));
        return r ? AddressTip(r->address, name, r->description) : QString();
    }
    const WordRegisterEntry *r = m_ctx.wordRegs.Item(RecordAtCell(column, row, m_ctx.wordRegs.Count()));
    if (!r)
        return {};
    QString tip = name + QStringLiteral(" (") + FormatHex(r->highAddress, 3) + QStringLiteral("h, ") +
                  FormatHex(r->lowAddress, 3) + QStringLiteral("h)");
    if (!r->description.isEmpty())
        tip += QLatin1Char('\n') + r->description;
    return tip;
}

bool TVek_Reg2::CellEditable(Grid grid, int column, int row) const
{
    if (grid == Grid::Bit || row % 2 == 0)
        return false;
    if (grid == Grid::Byte) {
        const ByteRegisterEntry *r = m_ctx.byteRegs.Item(RecordAtCell(column, row, m_ctx.byteRegs.Count()));
        return r && InTables(r->address);
    }
    const WordRegisterEntry *r = m_ctx.wordRegs.Item(RecordAtCell(column, row, m_ctx.wordRegs.Count()));
    return r && InTables(r->highAddress) && InTables(r->lowAddress);
}

void TVek_Reg2::CellColours(Grid grid, int column, int row, QColor &text, QColor &background) const
{
    text = Qt::black;
    background = kButtonFace();
    if (grid == Grid::Bit) {
        const BitRegisterEntry *r = BitRecordOfRow(m_ctx, row);
        const int i = BitIndexOfRow(m_ctx, row);
        if (!r || i < 0 || i >= int(m_snap.bitValues.size()))
            return;
        if (column == 0) {
            if (AddressChanged(m_ctx.views, r->address)) {
                text = Qt::white;
                background = Qt::blue;
            }
            return;
        }
        const bool set = (m_snap.bitValues[size_t(i)] >> BitOfColumn(column)) & 1;
        text = set ? Qt::blue : Qt::black;
        background = set ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0);
        return;
    }
    if (row % 2 == 1) {
        background = Qt::white;
        return;
    }
    bool changed = false;
    if (grid == Grid::Byte) {
        if (const ByteRegisterEntry *r = m_ctx.byteRegs.Item(RecordAtCell(column, row, m_ctx.byteRegs.Count())))
            changed = AddressChanged(m_ctx.views, r->address);
    } else if (const WordRegisterEntry *r =
                   m_ctx.wordRegs.Item(RecordAtCell(column, row, m_ctx.wordRegs.Count()))) {
        changed = AddressChanged(m_ctx.views, r->highAddress) || AddressChanged(m_ctx.views, r->lowAddress);
    }
    if (changed) {
        text = Qt::white;
        background = Qt::blue;
    }
}

bool TVek_Reg2::AskUnder(QWidget *w, const QRect &rect, uint16_t &value, const QString &max, const QString &range,
                         const QString &title)
{
    return m_pop && m_pop->AskUnder(w, rect, value, max, range, title);
}

void TVek_Reg2::Write(uint16_t address, uint8_t value)
{
    if (m_up)
        m_up->WriteRegister(address, value, 0);
}

void TVek_Reg2::GridDblClick(Grid grid, int column, int row)
{
    QTableView *v = m_views[int(grid)];
    const QRect cell = v->visualRect(m_models[int(grid)]->index(row, column));
    uint16_t value = 0;
    if (grid == Grid::Bit) {
        const BitRegisterEntry *r = BitRecordOfRow(m_ctx, row);
        if (!r || !InTables(r->address))
            return;
        if (column == 0) {
            const QString title = QStringLiteral("Ram") + FormatHex(r->address, 3) + QLatin1Char('=') + CellText(grid, column, row);
            if (AskUnder(v->viewport(), cell, value, QStringLiteral("FF"), QStringLiteral("00~FF"), title))
                Write(r->address, uint8_t(value));
            return;
        }
        if (!BitMenuOffered(*r, column))
            return;
        m_menuRecord = BitIndexOfRow(m_ctx, row);
        m_menuBit = BitOfColumn(column);
        const QString bitName = CellText(grid, column, row);
        m_bitSet->setText(bitName + QStringLiteral("=1"));
        m_bitClr->setText(bitName + QStringLiteral("=0"));
        m_bitMenu->popup(v->viewport()->mapToGlobal(cell.bottomLeft()));
        return;
    }
    if (row % 2 != 0)
        return;
    if (grid == Grid::Byte) {
        const ByteRegisterEntry *r = m_ctx.byteRegs.Item(RecordAtCell(column, row, m_ctx.byteRegs.Count()));
        if (!r || !InTables(r->address))
            return;
        const QString title = QStringLiteral("Ram") + FormatHex(r->address, 3) + QLatin1Char('=') + CellText(grid, column, row);
        if (AskUnder(v->viewport(), cell, value, QStringLiteral("FF"), QStringLiteral("00~FF"), title))
            Write(r->address, uint8_t(value));
        return;
    }
    const WordRegisterEntry *r = m_ctx.wordRegs.Item(RecordAtCell(column, row, m_ctx.wordRegs.Count()));
    if (!r || !InTables(r->highAddress) || !InTables(r->lowAddress))
        return;
    const WordRegisterEntry record = *r;
    if (AskUnder(v->viewport(), cell, value, QStringLiteral("FFFF"), QStringLiteral("0000~FFFF"),
                 QStringLiteral("Ram") + CellText(grid, column, row)))
        for (const RegisterWrite &w : WordWrites(record, value))
            Write(w.address, w.value);
}

void TVek_Reg2::PMBitSetClick()
{
    if (const BitRegisterEntry *r = m_ctx.bitRegs.Item(m_menuRecord); r && InTables(r->address))
        Write(r->address, WithBit(m_ctx.chipSlots[0].image, r->address, m_menuBit, true));
}

void TVek_Reg2::PMBitClrClick()
{
    if (const BitRegisterEntry *r = m_ctx.bitRegs.Item(m_menuRecord); r && InTables(r->address))
        Write(r->address, WithBit(m_ctx.chipSlots[0].image, r->address, m_menuBit, false));
}

void TVek_Reg2::CellTyped(Grid grid, int record, const QString &text)
{
    const QString digits = KeepLastDigits(text, grid == Grid::Word ? 4 : 2);
    if (digits.isEmpty() || record < 0)
        return;
    const uint16_t v = uint16_t(ParseHex(digits));
    if (grid == Grid::Byte) {
        if (const ByteRegisterEntry *r = m_ctx.byteRegs.Item(record); r && InTables(r->address))
            Write(r->address, uint8_t(v));
    } else if (grid == Grid::Word) {
        const WordRegisterEntry *r = m_ctx.wordRegs.Item(record);
        if (!r || !InTables(r->highAddress) || !InTables(r->lowAddress))
            return;
        const WordRegisterEntry copy = *r;
        for (const RegisterWrite &w : WordWrites(copy, v))
            Write(w.address, w.value);
    }
}

void TVek_Reg2::PMRegModifyClick()
{
    uint16_t value = 0;
    const QString title = QStringLiteral("Work=") + FormatHex(ImageByte(m_ctx.chipSlots[0].image, kWorkRegister), 2);
    if (AskUnder(m_work, m_work->rect(), value, QStringLiteral("FF"), QStringLiteral("00~FF"), title))
        Write(kWorkRegister, uint8_t(value));
}

void TVek_Reg2::PMIND_INDClick(int pair)
{
    pair = pair == 0 ? 0 : 1;
    const ChipImage &image = m_ctx.chipSlots[0].image;
    const std::optional<uint16_t> target = IndTarget(image, m_ctx.chip, pair);
    if (!target) {
        // The pair points beyond the image or at an address without bits.
        m_ctx.status.SetText(0, QStringLiteral("FSR%1 = %2h: no such address").arg(pair).arg(FormatHex(ReadHead(image).fsr[pair], 3)));
        return;
    }
    uint16_t value = 0;
    const QString title = QStringLiteral("IND%1=").arg(pair) + FormatHex(ReadHead(image, &m_ctx.views.bank4).ind[pair], 2);
    if (!AskUnder(m_ind[pair], m_ind[pair]->rect(), value, QStringLiteral("FF"), QStringLiteral("00~FF"), title))
        return;
    Write(*target, uint8_t(value));
    // Bank 4 is not in the image: what the chip now holds there goes to the RAM panel's copy.
    Bank4Buffer &bank4 = m_ctx.views.bank4;
    if (bank4.Holds(*target) && m_up && m_up->ReadChip(*target, 1, 0)) {
        bank4.bytes[size_t(*target - Bank4Buffer::kFirst)] = m_ctx.transferBuffer[0];
        Refresh(false);
    }
}

void TVek_Reg2::PMIND_FSRClick(int pair)
{
    pair = pair == 0 ? 0 : 1;
    uint16_t value = 0;
    const QString title = QStringLiteral("FSR%1=").arg(pair) + FormatHex(ReadHead(m_ctx.chipSlots[0].image).fsr[pair], 3);
    if (AskUnder(m_fsr[pair], m_fsr[pair]->rect(), value, QStringLiteral("FFF"), QStringLiteral("000~FFF"), title))
        for (const RegisterWrite &w : FsrWrites(pair, value))
            Write(w.address, w.value);
}

} // namespace vek
