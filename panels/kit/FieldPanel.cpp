#include "panels/kit/FieldPanel.h"

#include "panels/logic/PanelTexts.h"

#include <QAction>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vek {

void SelectQuietly(QComboBox *combo, int index)
{
    if (!combo || combo->currentIndex() == index)
        return;
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

void SetItemsQuietly(QComboBox *combo, const QStringList &items)
{
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
}

QStringList CodeTexts(int count, int digits)
{
    QStringList l;
    for (int k = 0; k < count; ++k)
        l << CodeText(k, digits);
    return l;
}

void ApplyControlPrep(QWidget *w, const ControlPrep &prep)
{
    if (prep.enabled)
        w->setEnabled(*prep.enabled);
    if (prep.visible)
        w->setVisible(*prep.visible);
    if (prep.caption) {
        if (auto *panel = qobject_cast<TogglePanel *>(w))
            panel->SetCaption(*prep.caption);
        else if (auto *label = qobject_cast<QLabel *>(w))
            label->setText(*prep.caption);
    }
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        if (prep.items)
            SetItemsQuietly(combo, *prep.items);
        if (prep.currentIndex)
            SelectQuietly(combo, *prep.currentIndex);
    }
    if (prep.highlighted)
        if (auto *panel = qobject_cast<TogglePanel *>(w))
            panel->SetHighlighted(*prep.highlighted);
}

FieldPanel::FieldPanel(const QString &componentName, const QString &caption, QRect designedFrame,
                       QSizeF designSize, PanelBindings &bindings, const ControlPreps &prep, QWidget *parent)
    : PanelWindow(componentName, caption, designedFrame, parent), m_bindings(bindings), m_prep(prep),
      m_canvas(new DiagramCanvas(designSize, this)), m_popup(new QMenu(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_canvas);
    m_popup->setObjectName(QStringLiteral("Popup10"));
    QAction *one = m_popup->addAction(QStringLiteral("1"));
    one->setObjectName(QStringLiteral("TIncer"));
    QAction *zero = m_popup->addAction(QStringLiteral("0"));
    zero->setObjectName(QStringLiteral("Decer"));
    connect(one, &QAction::triggered, this, [this] {
        TIncerClick();
        DataUpdate();
    });
    connect(zero, &QAction::triggered, this, [this] {
        DecerClick();
        DataUpdate();
    });
}

FieldBinding &FieldPanel::Binding(const QString &field)
{
    static FieldBinding unbound;
    FieldBinding *b = m_bindings.Find(field);
    if (!b) {
        unbound = FieldBinding{};
        return unbound;
    }
    return *b;
}

Glyph *FieldPanel::MakeGlyph(Glyph::Kind kind, const QString &name, QRectF r)
{
    return m_canvas->Place(new Glyph(kind, name), r);
}

OptionLabel *FieldPanel::MakeOptionLabel(const QString &name, const QString &text, QRectF r)
{
    return m_canvas->Place(new OptionLabel(name, text), r);
}

TogglePanel *FieldPanel::MakeToggle(const QString &name, const QString &caption, QRectF r)
{
    return m_canvas->Place(new TogglePanel(name, caption), r);
}

QComboBox *FieldPanel::MakeCombo(const QString &name, const QStringList &items, QRectF r)
{
    auto *c = new QComboBox;
    c->setObjectName(name);
    c->setAccessibleName(name);
    c->addItems(items);
    return m_canvas->Place(c, r);
}

QLabel *FieldPanel::MakeLabel(const QString &name, const QString &text, QRectF r, Qt::Alignment align)
{
    auto *l = new QLabel(text);
    l->setObjectName(name);
    l->setAlignment(align);
    return m_canvas->Place(l, r);
}

QRectF FieldPanel::MuxRow(const MuxLayout &at, int code)
{
    const int column = code / at.rowsPerColumn, row = code % at.rowsPerColumn;
    return QRectF(at.topLeft.x() + column * at.columnStep, at.topLeft.y() + row * at.pitch,
                  at.labelWidth + 2 + kGlyphWidth, kRowHeight);
}

FieldPanel::Mux FieldPanel::MakeMux(const QString &field, const QString &prefix, const QString &labelPrefix,
                                    const QString &combo, int codes, const MuxLayout &at)
{
    Mux m;
    m.field = field;
    m.codes = codes;
    m.digits = codes > 8 ? 4 : codes > 4 ? 3 : 2;
    for (int k = 0; k < codes; ++k) {
        const QRectF row = MuxRow(at, k);
        const QString code = CodeText(k, m.digits);
        if (!at.inputPrefix.isEmpty()) {
            Glyph *in = MakeGlyph(Glyph::Kind::InputPin, at.inputPrefix + QString::number(k),
                                  QRectF(row.left() - 32, row.top(), 30, kRowHeight));
            m.extra.push_back(in);
        }
        m.labels.push_back(MakeOptionLabel(labelPrefix + (at.labelByCode ? code : QString::number(k)), QString(),
                                           QRectF(row.topLeft(), QSizeF(at.labelWidth, kRowHeight))));
        const QRectF g(row.left() + at.labelWidth + 2, row.top(), kGlyphWidth, kRowHeight);
        m.closed.push_back(MakeGlyph(Glyph::Kind::SwitchClosed, prefix + code + QStringLiteral("on"), g));
        m.open.push_back(MakeGlyph(Glyph::Kind::SwitchOpen, prefix + code + QStringLiteral("off"), g));
    }
    m.combo = MakeCombo(combo, CodeTexts(codes, m.digits), at.comboRect);
    return m;
}

void FieldPanel::UpdateSupply(Switch &envdda, const QString &levelField, QComboBox *levelCombo,
                              std::initializer_list<QLabel *> texts)
{
    FieldBinding &on = Binding(envdda.field);
    on.value = ImageField(chip, on);
    FieldBinding &level = Binding(levelField);
    level.value = ImageField(chip, level);
    const int index = level.value & 3;
    if (envdda.panel)
        envdda.panel->SetHighlighted(on.value == 1);
    const QString text = VddaText(on.value == 1, m_bindings.vddaLabels[size_t(index)]);
    for (QLabel *l : texts)
        l->setText(text);
    SelectQuietly(levelCombo, index);
}

FieldPanel::Mux &FieldPanel::AddMux(Mux m)
{
    m_muxes.push_back(std::make_unique<Mux>(std::move(m)));
    Mux *mux = m_muxes.back().get();
    for (int k = 0; k < mux->codes; ++k) {
        auto choose = [this, mux, k] { ChooseOption(*mux, k); };
        connect(mux->closed[size_t(k)], &Glyph::clicked, this, choose);
        connect(mux->open[size_t(k)], &Glyph::clicked, this, choose);
        connect(mux->labels[size_t(k)], &OptionLabel::clicked, this, choose);
        mux->closed[size_t(k)]->hide();
    }
    if (mux->combo)
        connect(mux->combo, &QComboBox::activated, this, [this, mux](int index) {
            const int code = mux->comboByText ? ParseCodeText(mux->combo->itemText(index), mux->digits) : index;
            ComboEdit(mux->field, code);
        });
    return *mux;
}

FieldPanel::Switch &FieldPanel::AddSwitch(Switch s)
{
    m_switches.push_back(std::make_unique<Switch>(std::move(s)));
    Switch *sw = m_switches.back().get();
    for (Glyph *g : sw->shownAtOne)
        connect(g, &Glyph::clicked, this, [this, sw] { FlipSwitch(*sw); });
    for (Glyph *g : sw->shownAtZero)
        connect(g, &Glyph::clicked, this, [this, sw] { FlipSwitch(*sw); });
    if (sw->panel && sw->target >= 0) {
        connect(sw->panel, &TogglePanel::clicked, this, [this, sw] { PopUpClick(sw->target); });
        connect(sw->panel, &TogglePanel::popupRequested, this, [this, sw](const QPoint &at) {
            m_toggleTarget = sw->target;
            m_popup->popup(at);
        });
    }
    return *sw;
}

FieldPanel::Selector &FieldPanel::AddSelector(Selector s)
{
    m_selectors.push_back(std::make_unique<Selector>(std::move(s)));
    Selector *sel = m_selectors.back().get();
    if (sel->combo)
        connect(sel->combo, &QComboBox::activated, this,
                [this, sel](int index) { ComboEdit(sel->field, index); });
    return *sel;
}

void FieldPanel::AddFollower(const QString &field, QWidget *w) { m_followers.emplace_back(field, w); }

FieldPanel::Mux *FieldPanel::FindMux(const QString &field)
{
    for (auto &m : m_muxes)
        if (m->field == field)
            return m.get();
    return nullptr;
}

FieldPanel::Switch *FieldPanel::FindSwitchByTarget(int target)
{
    for (auto &s : m_switches)
        if (s->target == target)
            return s.get();
    return nullptr;
}

std::vector<QWidget *> FieldPanel::ControlsOf(const QString &field) const
{
    std::vector<QWidget *> out;
    for (const auto &m : m_muxes)
        if (m->field == field) {
            out.insert(out.end(), m->closed.begin(), m->closed.end());
            out.insert(out.end(), m->open.begin(), m->open.end());
            out.insert(out.end(), m->labels.begin(), m->labels.end());
            if (m->combo)
                out.push_back(m->combo);
        }
    for (const auto &s : m_switches)
        if (s->field == field) {
            if (s->panel)
                out.push_back(s->panel);
            out.insert(out.end(), s->shownAtOne.begin(), s->shownAtOne.end());
            out.insert(out.end(), s->shownAtZero.begin(), s->shownAtZero.end());
        }
    for (const auto &s : m_selectors)
        if (s->field == field && s->combo)
            out.push_back(s->combo);
    for (const auto &[f, w] : m_followers)
        if (f == field)
            out.push_back(w);
    return out;
}

void FieldPanel::ApplyPreparation()
{
    for (const auto &[name, prep] : m_prep.All())
        if (QWidget *w = findChild<QWidget *>(name))
            ApplyControlPrep(w, prep);
    // Whatever the selection enabled: a setting without a usable field never writes.
    QStringList fields;
    for (const auto &[name, b] : m_bindings.All())
        fields << name;
    for (const QString &field : fields) {
        const FieldBinding &b = Binding(field);
        const bool usable = FieldUsable(b);
        for (QWidget *w : ControlsOf(field)) {
            // Controls the selection does not prepare themselves follow their field.
            const ControlPrep *prep = m_prep.Find(w->objectName());
            if (!usable)
                w->setEnabled(false);
            else if (!prep || !prep->enabled)
                w->setEnabled(true);
        }
        if (!usable)
            continue;
        // Options beyond the field's codes name no code of it.
        if (Mux *m = FindMux(field))
            for (int k = FieldCodeCount(b); k < m->codes; ++k) {
                m->closed[size_t(k)]->setEnabled(false);
                m->open[size_t(k)]->setEnabled(false);
                m->labels[size_t(k)]->setEnabled(false);
            }
    }
    DataUpdate();
}

int FieldPanel::ReadField(const QString &field)
{
    FieldBinding &b = Binding(field);
    b.value = ImageField(chip, b);
    return b.value;
}

void FieldPanel::RedrawMux(Mux &m, int code)
{
    bool none = false;
    if (code < 0 || code >= m.codes) {
        none = m.outOfRangeShowsNone;
        code = 0;
    }
    for (int k = 0; k < m.codes; ++k) {
        const bool chosen = !none && k == code;
        m.closed[size_t(k)]->setVisible(chosen);
        m.open[size_t(k)]->setVisible(!chosen);
        m.labels[size_t(k)]->SetSelected(chosen);
    }
    if (m.combo)
        SelectQuietly(m.combo, m.comboByText ? m.combo->findText(CodeText(code, m.digits)) : code);
}

void FieldPanel::RedrawSwitch(Switch &s, int code)
{
    const bool one = code == 1;
    for (Glyph *g : s.shownAtOne)
        g->setVisible(one);
    for (Glyph *g : s.shownAtZero)
        g->setVisible(!one);
    if (s.panel)
        s.panel->SetHighlighted(one);
    if (s.label && s.text)
        s.label->setText(s.text(one));
}

void FieldPanel::RedrawSelector(Selector &s, int code)
{
    const int shown = code > s.shownMax ? s.shownAsCode : code;
    if (s.label && s.text)
        s.label->setText(s.text(shown));
    SelectQuietly(s.combo, shown);
}

void FieldPanel::ChooseOption(Mux &m, int code)
{
    const FieldBinding &b = Binding(m.field);
    if (code >= 0 && code < FieldCodeCount(b))
        WriteField(chip, b, uint8_t(code));
    DataUpdate();
}

void FieldPanel::ComboEdit(const QString &field, int code)
{
    FieldBinding &b = Binding(field);
    if (FieldUsable(b)) {
        // A code the field cannot hold is refused: the unchanged value is written again and the
        // redraw puts the combo box back.
        b.value = ImageField(chip, b);
        if (code >= 0 && code <= FieldMask(b))
            b.value = uint8_t(code);
        WriteField(chip, b, b.value);
    }
    DataUpdate();
}

void FieldPanel::FlipSwitch(Switch &s)
{
    FieldBinding &b = Binding(s.field);
    if (FieldUsable(b)) {
        b.value = uint8_t(s.flip(ImageField(chip, b)));
        WriteField(chip, b, b.value);
    }
    DataUpdate();
}

void FieldPanel::PopUpClick(int target)
{
    Switch *s = FindSwitchByTarget(target);
    if (!s)
        return;
    m_toggleTarget = target;
    if (ImageField(chip, Binding(s->field)) == 1)
        DecerClick();
    else
        TIncerClick();
    DataUpdate();
}

void FieldPanel::TIncerClick()
{
    Switch *s = FindSwitchByTarget(m_toggleTarget);
    if (!s)
        return;
    FieldBinding &b = Binding(s->field);
    if (WriteField(chip, b, 1)) {
        b.value = 1;
        RedrawSwitch(*s, 1);
    }
}

void FieldPanel::DecerClick()
{
    Switch *s = FindSwitchByTarget(m_toggleTarget);
    if (!s)
        return;
    FieldBinding &b = Binding(s->field);
    if (WriteField(chip, b, 0)) {
        b.value = 0;
        RedrawSwitch(*s, 0);
    }
}

} // namespace vek
