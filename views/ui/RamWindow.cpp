// The RAM panel: the chip image as a grid of one 256-byte bank, typing and the keypad to change a
// byte on the chip, marks and hints, RAM files, the spreadsheet export and "Read RAM".
#include "views/ui/ViewWindows.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "app/context/AppContext.h"
#include "link/ui/LinkWindows.h"
#include "views/ui/HexCellDelegate.h"

#include <QAbstractTableModel>
#include <algorithm>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace vek {

namespace {
// Status field 0 while the RAM view shows a loaded file.
constexpr const char *kFileShownPrefix = "RAM view shows file ";
} // namespace

class RamGridModel : public QAbstractTableModel {
public:
    RamGridModel(TVek_RAM &w, AppContext &ctx) : QAbstractTableModel(&w), m_w(w), m_ctx(ctx) {}

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 16; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 16; }

    int Address(const QModelIndex &i) const { return RamCellAddress(m_w.View().bank, i.column() + 1, i.row() + 1); }

    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal)
            return FormatHex(section, 1);
        return RamRowLabel(m_w.View().bank, section + 1);
    }

    QVariant data(const QModelIndex &i, int role) const override
    {
        if (!i.isValid())
            return {};
        const int index = i.row() * 16 + i.column();
        const int address = Address(i);
        const bool inImage = address < kChipAddressCount;
        const bool marked = inImage && m_w.Marks().mark[size_t(address)];
        const bool changed = RamAddressChanged(m_ctx.views, address);
        switch (role) {
        case Qt::DisplayRole:
            return m_w.View().Text(index);
        case Qt::UserRole:
            return address;
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case Qt::BackgroundRole:
            if (changed)
                return QColor(Qt::blue);
            if (marked)
                return QColor(QRgb(m_w.Marks().colour[size_t(address)]));
            return QColor(Qt::white);
        case Qt::ForegroundRole:
            return QColor(changed || marked ? Qt::white : Qt::black);
        case Qt::FontRole:
            if (inImage && m_w.Marks().hint[size_t(address)]) {
                QFont f = m_w.SGD()->font();
                f.setUnderline(true);
                return f;
            }
            return {};
        case Qt::ToolTipRole: {
            const std::optional<uint8_t> v = m_w.View().values[size_t(index)];
            QString tip = QStringLiteral("Ram") + FormatHex(address, 4) + QLatin1Char('=');
            tip += v ? FormatHex(*v, 2) + QStringLiteral("h (") + QString::number(*v) + QLatin1Char(')')
                     : QStringLiteral("-");
            if (!inImage && v)
                tip += QStringLiteral(", read only");
            if (inImage && m_w.Marks().hint[size_t(address)] && !m_w.Marks().hintText[size_t(address)].isEmpty())
                tip += QLatin1Char('\n') + m_w.Marks().hintText[size_t(address)];
            return tip;
        }
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &i) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (i.isValid() && !m_w.Reading() && RamAddressEditable(m_ctx.chip, Address(i)))
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex &i, const QVariant &value, int role) override
    {
        // The delegate's text with the address its editor opened on.
        const QVariantList typed = value.toList();
        if (role != Qt::UserRole || !i.isValid() || typed.size() != 2)
            return false;
        m_w.CellTyped(typed[1].isValid() ? typed[1].toInt() : Address(i), typed[0].toString());
        return true;
    }

    void Changed()
    {
        emit headerDataChanged(Qt::Vertical, 0, 15);
        emit dataChanged(index(0, 0), index(15, 15));
    }

private:
    TVek_RAM &m_w;
    AppContext &m_ctx;
};

namespace {

// The grid's last mouse-down cell, for the marks and hints of the popup menu.
class MouseDownFilter : public QObject {
public:
    MouseDownFilter(TVek_RAM &w, QTableView *view) : QObject(view), m_w(w), m_view(view) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonPress) {
            const QModelIndex i = m_view->indexAt(static_cast<QMouseEvent *>(e)->position().toPoint());
            m_w.SetMouseDownCell(i.isValid() ? i.column() + 1 : 0, i.isValid() ? i.row() + 1 : 0);
        }
        return false;
    }

private:
    TVek_RAM &m_w;
    QTableView *m_view;
};

} // namespace

TVek_RAM::TVek_RAM(AppContext &ctx, QWidget *parent)
    // 40 pixels from the top and about 20 from the right edge of the main window's designed area.
    : PanelWindow(QStringLiteral("Vek_RAM"), QStringLiteral("記憶體"), QRect(380, 40, 480, 420), parent),
      m_ctx(ctx)
{

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(2);
    for (int n = 0; n < kRamBanks; ++n) {
        auto *p = new ClickPanel(QStringLiteral("PBank%1").arg(n), QStringLiteral("Bank%1").arg(n), this);
        p->setMinimumWidth(56);
        connect(p, &ClickPanel::clicked, this, [this, n]() { SelectBank(n); });
        m_bankPanels[size_t(n)] = p;
        bar->addWidget(p);
    }
    bar->addStretch(1);
    layout->addLayout(bar);

    m_model = new RamGridModel(*this, ctx);
    m_sgd = new QTableView(this);
    m_sgd->setObjectName(QStringLiteral("SGD"));
    m_sgd->setAccessibleName(QStringLiteral("SGD"));
    m_sgd->setModel(m_model);
    m_sgd->setItemDelegate(new HexCellDelegate(2, false, m_sgd));
    m_sgd->setEditTriggers(QAbstractItemView::AnyKeyPressed);
    m_sgd->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sgd->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_sgd->horizontalHeader()->setMinimumSectionSize(24);
    m_sgd->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_sgd->verticalHeader()->setMinimumSectionSize(18);
    m_sgd->verticalHeader()->setMinimumWidth(28);
    m_sgd->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_sgd->setContextMenuPolicy(Qt::CustomContextMenu);
    m_sgd->viewport()->installEventFilter(new MouseDownFilter(*this, m_sgd));
    connect(m_sgd, &QTableView::doubleClicked, this,
            [this](const QModelIndex &i) { SGDDblClick(i.column() + 1, i.row() + 1); });
    layout->addWidget(m_sgd, 1);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char *name, const QString &caption, void (TVek_RAM::*handler)()) {
        QAction *a = m_popup->addAction(caption, this, handler);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    item("SetMark", QStringLiteral("Set Mark"), &TVek_RAM::SetMarkClick);
    item("newcolor1", QStringLiteral("Set Mark(new color)"), &TVek_RAM::newcolor1Click);
    item("RstMark", QStringLiteral("Reset Mark"), &TVek_RAM::RstMarkClick);
    item("RstAllMark", QStringLiteral("Reset All Mark"), &TVek_RAM::RstAllMarkClick);
    m_popup->addSeparator();
    item("SetHint1", QStringLiteral("Set Hint"), &TVek_RAM::SetHint1Click);
    item("ResetHint1", QStringLiteral("Reset Hint"), &TVek_RAM::ResetHint1Click);
    item("ResetAllHint1", QStringLiteral("Reset All Hint"), &TVek_RAM::ResetAllHint1Click);
    m_popup->addSeparator();
    item("LoadRam", QStringLiteral("Load RAM Data"), &TVek_RAM::LoadRamClick);
    item("SaveRam", QStringLiteral("Save RAM Data"), &TVek_RAM::SaveRamClick);
    item("SVEX", QStringLiteral("Save To excel"), &TVek_RAM::Excel1Click);
    m_popup->addSeparator();
    for (int n = 0; n < kRamBanks; ++n) {
        QAction *a = m_popup->addAction(QStringLiteral("RAMBANK%1").arg(n), this, [this, n]() { SelectBank(n); });
        a->setObjectName(QStringLiteral("RAMBANK%1").arg(n));
        m_bankItems[size_t(n)] = a;
    }
    connect(m_sgd, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup->popup(m_sgd->viewport()->mapToGlobal(pos)); });

    m_ctx.config.CurrentBank = 0;
    SelectBank(0);
}

TVek_RAM::~TVek_RAM() = default;

void TVek_RAM::AttachDoors(TVek_UP *up, TVekPopSelHex *popup)
{
    m_up = up;
    m_pop = popup;
}

int TVek_RAM::Bank() const { return std::clamp(m_ctx.config.CurrentBank, 0, kRamBanks - 1); }

void TVek_RAM::RepaintGrid() { m_model->Changed(); }

void TVek_RAM::RefreshRamView(bool quiet)
{
    vek::RefreshRamView(m_view, Bank(), m_ctx.chipSlots[0].image, m_ctx.chip, m_ctx.views, quiet);
    RepaintGrid();
}

void TVek_RAM::SelectBank(int bank)
{
    if (bank < 0 || bank >= kRamBanks)
        return;
    m_ctx.config.CurrentBank = bank;
    for (int n = 0; n < kRamBanks; ++n)
        m_bankPanels[size_t(n)]->SetRaised(n == bank, QColor(Qt::yellow));
    RefreshRamView(false);
}

void TVek_RAM::ApplyChipSelection()
{
    for (int n = 0; n < kRamBanks; ++n) {
        if (const ControlPrep *p = m_ctx.panelPrep.ram.Find(QStringLiteral("PBank%1").arg(n)); p && p->visible)
            m_bankPanels[size_t(n)]->setVisible(*p->visible);
        if (const ControlPrep *p = m_ctx.panelPrep.ram.Find(QStringLiteral("RAMBANK%1").arg(n)); p && p->visible)
            m_bankItems[size_t(n)]->setVisible(*p->visible);
    }
    SelectBank(Bank());
}

void TVek_RAM::showEvent(QShowEvent *event)
{
    PanelWindow::showEvent(event);
    RefreshRamView(true);
}

void TVek_RAM::CellTyped(int address, const QString &text)
{
    const std::optional<uint8_t> v = TypedCellValue(text);
    if (!v || !m_up || m_reading || !RamAddressEditable(m_ctx.chip, address))
        return;
    m_up->WriteRegister(uint16_t(address), *v, 0);
}

void TVek_RAM::SGDDblClick(int column, int row)
{
    if (column < 1 || column > 16 || row < 1 || row > 16 || !m_pop || m_reading)
        return;
    const int address = RamCellAddress(Bank(), column, row);
    if (!RamAddressEditable(m_ctx.chip, address))
        return;
    const int index = (row - 1) * 16 + (column - 1);
    const QString title = QStringLiteral("Ram") + FormatHex(address, 4) + QLatin1Char('=') + m_view.Text(index);
    const QRect cell = m_sgd->visualRect(m_model->index(row - 1, column - 1));
    uint16_t value = 0;
    if (m_pop->AskUnder(m_sgd->viewport(), cell, value, QStringLiteral("FF"), QStringLiteral("00~FF"), title) &&
        m_up)
        m_up->WriteRegister(uint16_t(address), uint8_t(value), 0);
}

int TVek_RAM::MarkAddress() const
{
    if (m_downColumn < 1 || m_downColumn > 16 || m_downRow < 1 || m_downRow > 16)
        return -1;
    const int address = RamCellAddress(Bank(), m_downColumn, m_downRow);
    return RamAddressEditable(m_ctx.chip, address) ? address : -1;
}

void TVek_RAM::SetMarkClick()
{
    if (const int a = MarkAddress(); a >= 0) {
        m_marks.mark[size_t(a)] = true;
        m_marks.colour[size_t(a)] = m_colour;
        RepaintGrid();
    }
}

void TVek_RAM::newcolor1Click()
{
    if (const std::optional<uint32_t> c = m_ctx.dialogs.PickColour(this, m_colour))
        m_colour = *c;
    SetMarkClick();
}

void TVek_RAM::RstMarkClick()
{
    if (const int a = MarkAddress(); a >= 0) {
        m_marks.mark[size_t(a)] = false;
        m_marks.colour[size_t(a)] = m_colour;
        RepaintGrid();
    }
}

void TVek_RAM::RstAllMarkClick()
{
    if (m_ctx.dialogs.Message(this, windowTitle(), QStringLiteral("Are you sure to reset all mark?"),
                              MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    m_marks.mark.fill(false);
    RepaintGrid();
}

void TVek_RAM::ResetHint1Click()
{
    if (const int a = MarkAddress(); a >= 0) {
        m_marks.hint[size_t(a)] = false;
        m_marks.hintText[size_t(a)].clear();
        RepaintGrid();
    }
}

void TVek_RAM::ResetAllHint1Click()
{
    if (m_ctx.dialogs.Message(this, windowTitle(), QStringLiteral("Are you sure to reset all Hint?"),
                              MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    m_marks.hint.fill(false);
    for (QString &t : m_marks.hintText)
        t.clear();
    RepaintGrid();
}

void TVek_RAM::SaveRamClick()
{
    // The question about an existing file is asked below, once, in the panel's own words.
    const std::optional<QString> path =
        m_ctx.dialogs.SaveFile(this, QStringLiteral("Save RAM Data"), QDir::currentPath(),
                               QStringLiteral("*.ram (*.ram)"), SaveQuestion::Caller);
    if (!path || path->isEmpty())
        return;
    QString file = *path;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".ram");
    if (QFileInfo::exists(file) &&
        m_ctx.dialogs.Message(this, windowTitle(), QStringLiteral("File ") + file + QStringLiteral(" exist! Overwrite?"),
                              MsgButtons::YesNo, MsgIcon::Warning) != MsgResult::Yes)
        return;
    if (!SaveRamFile(file))
        m_ctx.dialogs.Message(this, windowTitle(), QStringLiteral("Cannot write ") + QDir::toNativeSeparators(file),
                              MsgButtons::Ok, MsgIcon::Error);
}

bool TVek_RAM::SaveRamFile(const QString &path)
{
    return WriteFileAtomically(path, WriteRamFile(m_ctx.chipSlots[0].image, m_ctx.chip, m_marks));
}

void TVek_RAM::LoadRamClick()
{
    const std::optional<QString> path = m_ctx.dialogs.OpenFile(this, QStringLiteral("Load RAM Data"), QDir::currentPath(),
                                                               QStringLiteral("*.ram (*.ram)"));
    if (path && !path->isEmpty())
        LoadRamFile(*path);
}

bool TVek_RAM::LoadRamFile(const QString &path)
{
    QFile f(path);
    QString error;
    RamFileContents contents;
    if (!f.open(QIODevice::ReadOnly))
        error = f.errorString();
    else if (f.size() > 16 * 1024 * 1024)
        error = QStringLiteral("The file is too large for a RAM file.");
    else
        ParseRamFile(f.readAll(), contents, &error);
    if (!error.isEmpty()) {
        m_ctx.dialogs.Message(this, windowTitle(), QDir::toNativeSeparators(path) + QStringLiteral("\n") + error,
                              MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    // The file changes the image only, never the chip, and the panels redraw once.
    for (int a = 0; a < kRamFileSize; ++a)
        vek::SetImageByte(m_ctx.chipSlots, a, LoadedByte(contents, m_ctx.chip, a), 0);
    if (m_ctx.refreshPanels)
        m_ctx.refreshPanels();
    RefreshRamView(true);
    for (int a = 0; a < kRamFileSize; ++a) {
        const size_t i = size_t(a);
        m_marks.mark[i] = contents.mark[i];
        m_marks.hint[i] = contents.hint[i];
        m_marks.colour[i] = contents.colour[i];
        m_marks.hintText[i] = contents.hintText[i];
    }
    RepaintGrid();
    m_ctx.status.SetText(0, QLatin1String(kFileShownPrefix) +
                                QStringLiteral("%1 (not on the chip)").arg(QFileInfo(path).fileName()));
    return true;
}

void TVek_RAM::Excel1Click()
{
    const QString suggested = m_ctx.ProgramFile(QStringLiteral("RamData.xlsx"));
    const std::optional<QString> path = m_ctx.dialogs.SaveFile(this, QStringLiteral("Save To excel"), suggested,
                                                               QStringLiteral("Excel workbook (*.xlsx)"));
    if (!path || path->isEmpty())
        return;
    QString file = *path;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".xlsx");
    if (!SaveSheet(file))
        return;
    // Opened in the desktop's spreadsheet viewer; without one the saved file is only reported.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        m_ctx.status.SetText(0, QStringLiteral("Saved %1; no program to open it").arg(QFileInfo(file).fileName()));
}

bool TVek_RAM::SaveSheet(const QString &path)
{
    QString error;
    if (WriteRamSheet(path, m_ctx.chipSlots[0].image, m_ctx.chip, &error)) {
        m_ctx.status.SetText(0, QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
        return true;
    }
    m_ctx.dialogs.Message(this, windowTitle(), QDir::toNativeSeparators(path) + QStringLiteral("\n") + error,
                          MsgButtons::Ok, MsgIcon::Error);
    return false;
}

void TVek_RAM::ReadAllRam()
{
    if (m_reading || !m_up)
        return;
    const int kind = m_ctx.setup.interfaceIndex;
    if (kind >= 0 && kind <= 4) {
        const RamReadPlan plan = MakeRamReadPlan(InterfaceKind(kind), m_ctx.chip);
        RamReader reader;
        reader.setupUart = [this]() { return m_up->SetupUartLink(0); };
        reader.readChip = [this](uint16_t a, int n) { return m_up->ReadChip(a, n, 0); };
        reader.buffer = &m_ctx.transferBuffer;
        reader.setImageByte = [this](int a, uint8_t v) { m_up->SetImageByte(a, v, 0); };
        reader.afterBlock = []() { QCoreApplication::processEvents(); };
        m_reading = true;
        if (setBoardMenusEnabled)
            setBoardMenusEnabled(false);
        const RamReadResult r = RunRamRead(plan, reader, m_ctx.views.bank4);
        m_reading = false;
        if (setBoardMenusEnabled)
            setBoardMenusEnabled(true);
        if (r == RamReadResult::Failed) {
            // What was read stays in the image; the panels keep showing the last refresh.
            m_ctx.status.SetText(0, QStringLiteral("Read Error !!!!!"));
            return;
        }
        // The view holds the chip again, no longer a loaded file.
        if (m_ctx.status.Text(0).startsWith(QLatin1String(kFileShownPrefix)))
            m_ctx.status.SetText(0, QStringLiteral("RAM view shows the chip"));
    }
    if (m_ctx.refreshPanels)
        m_ctx.refreshPanels();
    else
        RefreshRamView(false);
}

} // namespace vek
