#include "panels/ui/AdcPanel.h"

#include "analysis/ConverterRate.h"
#include "app/context/AppContext.h"
#include "panels/logic/PanelTexts.h"

#include <QPushButton>

namespace vek {

namespace {
constexpr double kRow = 26;  // pitch of a multiplexer's rows
constexpr double kRowH = 20; // height of a row's label and switch
constexpr uint16_t kOutputLow = 0x39; // "Read ADC" reads the three output bytes from here

// A multiplexer of the diagram: rows of label and switch, the combo box above the switches.
FieldPanel::MuxLayout MuxAt(double x, double y)
{
    FieldPanel::MuxLayout at;
    at.topLeft = QPointF(x, y);
    at.comboRect = QRectF(x + 48, y - 24, 60, 21);
    return at;
}

QStringList Numbers(int from, int to)
{
    QStringList l;
    for (int n = from; n <= to; ++n)
        l << QString::number(n);
    return l;
}
} // namespace

TADCForm::TADCForm(AppContext &ctx, QWidget *parent)
    : FieldPanel(QStringLiteral("ADCForm"), QStringLiteral("ADC"), QRect(0, 0, 940, 700),
                 QSizeF(kAdcDesignWidth, kAdcDesignHeight), ctx.bindings.adc, ctx.panelPrep.adc, parent),
      m_ctx(ctx)
{
    Canvas()->drawDiagram = DrawAdcDiagram;
    BuildControls();
    // Nothing is bound before the first chip selection: every setting's controls start disabled.
    ApplyPreparation();
}

FieldPanel::Switch TADCForm::MakeSwitch(const QString &field, int target, const QString &panelName,
                                        const QString &caption, QRectF panelRect)
{
    Switch s;
    s.field = field;
    s.target = target;
    s.panel = MakeToggle(panelName, caption, panelRect);
    return s;
}

void TADCForm::BuildControls()
{
    // Input multiplexers, the temperature sensor beside their last two rows.
    m_inh = &AddMux(MakeMux(QStringLiteral("IN0H"), QStringLiteral("INH"), QStringLiteral("LINH"),
                            QStringLiteral("TXINH"), 8, MuxAt(100, 40)));
    m_inl = &AddMux(MakeMux(QStringLiteral("IN0L"), QStringLiteral("INL"), QStringLiteral("LINL"),
                            QStringLiteral("TXINL"), 8, MuxAt(100, 392)));
    // The sensor's caption lies in its panel, so a model without the sensor shows neither.
    auto *temp = Canvas()->Place(new QFrame, QRectF(6, 162, 84, 438));
    temp->setObjectName(QStringLiteral("PTemp"));
    temp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *tempCaption = Canvas()->Place(new QLabel(QStringLiteral("Temp. sensor")), QRectF(8, 164, 80, 20), temp);
    tempCaption->setObjectName(QStringLiteral("LTemp"));
    tempCaption->setAlignment(Qt::AlignCenter);
    Canvas()->Place(new Glyph(Glyph::Kind::Sensor, QStringLiteral("ImTemp")), QRectF(20, 330, 56, 120), temp);
    struct MarkPlace { const char *name, *text; double y; };
    const MarkPlace marks[4] = {{"TPSHP", "+TPSH", 40 + 7 * kRow}, {"TPSHN", "-TPSH", 40 + 6 * kRow},
                                {"TPSLP", "+TPSL", 392 + 6 * kRow}, {"TPSLN", "-TPSL", 392 + 7 * kRow}};
    for (int i = 0; i < 4; ++i) {
        auto *l = new QLabel(QString::fromLatin1(marks[i].text));
        l->setObjectName(QString::fromLatin1(marks[i].name));
        l->setAlignment(Qt::AlignCenter);
        m_marks[i] = Canvas()->Place(l, QRectF(10, marks[i].y, 76, kRowH), temp);
        l->hide();
    }

    // Input crossing: one picture per code, only the current one shown; any click cycles.
    static const Glyph::Kind kInxKinds[4] = {Glyph::Kind::Straight, Glyph::Kind::Crossed, Glyph::Kind::TieHigh,
                                             Glyph::Kind::TieLow};
    for (int k = 0; k < 4; ++k) {
        m_inx[k] = MakeGlyph(kInxKinds[k], QStringLiteral("INX") + CodeText(k, 2), QRectF(232, 290, 58, 60));
        connect(m_inx[k], &Glyph::clicked, this, &TADCForm::INX11Click);
        AddFollower(QStringLiteral("INX0"), m_inx[k]);
    }
    m_txinx = MakeCombo(QStringLiteral("TXINX"), CodeTexts(4, 2), QRectF(232, 356, 58, 21));
    AddSelector({QStringLiteral("INX0"), m_txinx, nullptr, {}, 3, 0});

    // Input short, input buffers.
    Switch inis = MakeSwitch(QStringLiteral("IN0IS"), 7, QStringLiteral("PINIS"), QStringLiteral("INIS"),
                             QRectF(286, 232, 50, 22));
    inis.shownAtOne = {MakeGlyph(Glyph::Kind::SwitchClosedV, QStringLiteral("INISon"), QRectF(300, 302, 22, 36))};
    inis.shownAtZero = {MakeGlyph(Glyph::Kind::SwitchOpenV, QStringLiteral("INISoff"), QRectF(300, 302, 22, 36))};
    m_inis = &AddSwitch(inis);
    Switch inbuf = MakeSwitch(QStringLiteral("INBUF0"), 1, QStringLiteral("PINBUFF"), QStringLiteral("INBUF"),
                              QRectF(346, 384, 56, 22));
    inbuf.shownAtOne = {MakeGlyph(Glyph::Kind::SwitchOpen, QStringLiteral("INBUFFoff0"), QRectF(348, 264, 52, 18)),
                        MakeGlyph(Glyph::Kind::SwitchOpen, QStringLiteral("INBUFFoff1"), QRectF(348, 358, 52, 18))};
    inbuf.shownAtZero = {MakeGlyph(Glyph::Kind::SwitchClosed, QStringLiteral("INBUFFon0"), QRectF(348, 264, 52, 18)),
                         MakeGlyph(Glyph::Kind::SwitchClosed, QStringLiteral("INBUFFon1"), QRectF(348, 358, 52, 18))};
    m_inbuf = &AddSwitch(inbuf);

    // PGA and ADC gain.
    m_pgagn = &AddSelector({QStringLiteral("PGA0GN"), MakeCombo(QStringLiteral("TXPGAGN"), CodeTexts(4, 2),
                                                               QRectF(420, 368, 66, 21)),
                            MakeLabel(QStringLiteral("TXPGAGNS"), PgaGainText(0), QRectF(414, 391, 80, 18)),
                            PgaGainText, 3, 3});
    Switch enhign = MakeSwitch(QStringLiteral("ENHIGN0"), 5, QStringLiteral("PENHIGN"), QStringLiteral("ENHIGN"),
                               QRectF(414, 414, 80, 22));
    enhign.label = MakeLabel(QStringLiteral("TXENHIGN"), HighGainText(false), QRectF(414, 437, 80, 18));
    enhign.text = HighGainText;
    m_enhign = &AddSwitch(enhign);
    m_adgn = &AddSelector({QStringLiteral("AD0GN"), MakeCombo(QStringLiteral("TXADGN"), CodeTexts(8, 3),
                                                             QRectF(522, 368, 66, 21)),
                           MakeLabel(QStringLiteral("TXADGNS"), AdGainText(0), QRectF(504, 391, 104, 18)),
                           AdGainText, 7, 0});

    // DC set at the summing node.
    m_dcset = &AddSelector({QStringLiteral("DCSET0"), MakeCombo(QStringLiteral("TXDCSET"), CodeTexts(8, 3),
                                                               QRectF(604, 406, 62, 21)),
                            MakeLabel(QStringLiteral("TXDCSETS"), DcSetText(0), QRectF(590, 429, 92, 18)),
                            DcSetText, 7, 0});

    // Modulator: enable, chopper; clock.
    m_enadc = &AddSwitch(MakeSwitch(QStringLiteral("ENADC0"), 6, QStringLiteral("PENADC"), QStringLiteral("ENADC"),
                                    QRectF(700, 232, 90, 22)));
    Switch enchp = MakeSwitch(QStringLiteral("ENCHP0"), 4, QStringLiteral("PENCHP"), QStringLiteral("ENCHP"),
                              QRectF(700, 338, 90, 22));
    enchp.label = MakeLabel(QStringLiteral("TXENCHP"), ChopperText(false), QRectF(692, 308, 106, 18));
    enchp.text = ChopperText;
    m_enchp = &AddSwitch(enchp);
    Switch adcck = MakeSwitch(QStringLiteral("ADCCK0"), 0, QStringLiteral("PADCCK"), QStringLiteral("ADCCK"),
                              QRectF(820, 198, 60, 22));
    adcck.shownAtOne = {MakeGlyph(Glyph::Kind::ThrowUp, QStringLiteral("ADCCKup"), QRectF(820, 150, 60, 44))};
    adcck.shownAtZero = {MakeGlyph(Glyph::Kind::ThrowDown, QStringLiteral("ADCCKdown"), QRectF(820, 150, 60, 44))};
    m_adcck = &AddSwitch(adcck);

    // Digital filter: oversampling and divider.
    m_osr = &AddSelector({QStringLiteral("OSR0"), MakeCombo(QStringLiteral("TXOSR"), CodeTexts(8, 3),
                                                           QRectF(838, 282, 60, 21)),
                          MakeLabel(QStringLiteral("TXOSRS"), OsrText(0), QRectF(836, 306, 150, 18),
                                    Qt::AlignLeft | Qt::AlignVCenter),
                          OsrText, 7, 0});
    m_adcs = &AddSelector({QStringLiteral("ADCS0"), MakeCombo(QStringLiteral("TXADCS"), CodeTexts(8, 3),
                                                             QRectF(838, 334, 60, 21)),
                           MakeLabel(QStringLiteral("TXADCSS"), AdcDividerText(0), QRectF(904, 334, 80, 21),
                                     Qt::AlignLeft | Qt::AlignVCenter),
                           AdcDividerText, 7, 0});
    // The rate the settings give, from the clock the chip description names, beside its caption.
    MakeLabel(QStringLiteral("LRate"), QStringLiteral("ADC Output Rate"), QRectF(820, 238, 108, 18),
              Qt::AlignLeft | Qt::AlignVCenter);
    m_rate = MakeLabel(QStringLiteral("TXRATE"), DataRateText(0), QRectF(928, 238, 66, 18),
                       Qt::AlignRight | Qt::AlignVCenter);
    m_rate->setAccessibleName(QStringLiteral("ADC Output Rate"));

    // Output word.
    m_output = MakeLabel(QStringLiteral("TXADC"), QStringLiteral("0"), QRectF(830, 410, 160, 30));
    m_output->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_output->setAutoFillBackground(true);
    m_output->setBackgroundRole(QPalette::Base);
    MakeLabel(QStringLiteral("LMode"), QStringLiteral("ADC out mode"), QRectF(830, 450, 92, 21),
              Qt::AlignLeft | Qt::AlignVCenter);
    m_mode = MakeCombo(QStringLiteral("TXADCOMD"), {QStringLiteral("HEX"), QStringLiteral("DEC")},
                       QRectF(924, 450, 66, 21));
    MakeLabel(QStringLiteral("LBits"), QStringLiteral("ADC outp bits"), QRectF(830, 478, 92, 21),
              Qt::AlignLeft | Qt::AlignVCenter);
    m_bits = MakeCombo(QStringLiteral("TXADCObit"), Numbers(8, 24), QRectF(924, 478, 66, 21));
    connect(m_mode, &QComboBox::activated, this, &TADCForm::TXADCOMDChange);
    connect(m_bits, &QComboBox::activated, this, &TADCForm::TXADCObitChange);
    auto *read = Canvas()->Place(new QPushButton(QStringLiteral("Read ADC")), QRectF(830, 510, 160, 28));
    read->setObjectName(QStringLiteral("Button1"));
    connect(read, &QPushButton::clicked, this, &TADCForm::Button1Click);
    m_adif = MakeLabel(QStringLiteral("LADIF"), QStringLiteral("ADIF"), QRectF(830, 546, 160, 22));
    m_adif->setAutoFillBackground(true);

    // Reference multiplexers, buffers and gain.
    m_vrh = &AddMux(MakeMux(QStringLiteral("VR0H"), QStringLiteral("VRH"), QStringLiteral("LVRH"),
                            QStringLiteral("TXVRH"), 4, MuxAt(336, 488)));
    m_vrl = &AddMux(MakeMux(QStringLiteral("VR0L"), QStringLiteral("VRL"), QStringLiteral("LVRL"),
                            QStringLiteral("TXVRL"), 4, MuxAt(336, 608)));
    Switch vrbuf = MakeSwitch(QStringLiteral("VRBUF0"), 2, QStringLiteral("PVERBUFF"), QStringLiteral("VRBUF"),
                              QRectF(518, 672, 60, 22));
    vrbuf.shownAtOne = {MakeGlyph(Glyph::Kind::SwitchOpen, QStringLiteral("VERBUFFoff0"), QRectF(522, 508, 52, 18)),
                        MakeGlyph(Glyph::Kind::SwitchOpen, QStringLiteral("VERBUFFoff1"), QRectF(522, 648, 52, 18))};
    vrbuf.shownAtZero = {MakeGlyph(Glyph::Kind::SwitchClosed, QStringLiteral("VERBUFFon0"), QRectF(522, 508, 52, 18)),
                         MakeGlyph(Glyph::Kind::SwitchClosed, QStringLiteral("VERBUFFon1"), QRectF(522, 648, 52, 18))};
    m_vrbuf = &AddSwitch(vrbuf);
    Switch vrgn = MakeSwitch(QStringLiteral("VRE0GN"), 3, QStringLiteral("PVRGN"), QStringLiteral("VRGN"),
                             QRectF(636, 580, 88, 22));
    vrgn.label = MakeLabel(QStringLiteral("TXVRGN"), RefGainText(false), QRectF(626, 606, 108, 18));
    vrgn.text = RefGainText;
    m_vrgn = &AddSwitch(vrgn);

    // Supply.
    m_envdda = &AddSwitch(MakeSwitch(QStringLiteral("ENVDDA"), 8, QStringLiteral("PENVDDA"),
                                     QStringLiteral("ENVDDA"), QRectF(832, 40, 76, 22)));
    m_txvdda = MakeCombo(QStringLiteral("TXVDDA"), CodeTexts(4, 2), QRectF(914, 40, 70, 21));
    AddSelector({QStringLiteral("VDDAX"), m_txvdda, nullptr, {}, 3, 0});
    m_vddaText = MakeLabel(QStringLiteral("TXVDDAS"), VddaText(false, {}), QRectF(832, 68, 152, 18));
}

void TADCForm::INHSwitch(int code)
{
    RedrawMux(*m_inh, code);
    const TemperatureMarks t = TemperatureMarksFor(code, -1);
    m_marks[0]->setVisible(t.plusH);
    m_marks[1]->setVisible(t.minusH);
}

void TADCForm::INLSwitch(int code)
{
    RedrawMux(*m_inl, code);
    const TemperatureMarks t = TemperatureMarksFor(-1, code);
    m_marks[2]->setVisible(t.plusL);
    m_marks[3]->setVisible(t.minusL);
}

void TADCForm::ENADCSwitch(bool on)
{
    RedrawSwitch(*m_enadc, on);
    if (!on)
        m_output->setText(QString::fromLatin1(kAdcOffText));
}

void TADCForm::INXSwitch(int code)
{
    if (code < 0 || code > 3)
        code = 0;
    for (int k = 0; k < 4; ++k)
        m_inx[k]->setVisible(k == code);
    SelectQuietly(m_txinx, code);
}

void TADCForm::INX11Click()
{
    const FieldBinding &b = Binding(QStringLiteral("INX0"));
    if (FieldUsable(b)) {
        int code = ImageField(chip, b) + 1;
        if (code > FieldMask(b))
            code = 0;
        INXSwitch(code);
        WriteField(chip, b, uint8_t(code));
    }
    DataUpdate();
}

void TADCForm::ADCENVDDASwitch() { UpdateSupply(*m_envdda, QStringLiteral("VDDAX"), m_txvdda, {m_vddaText}); }

void TADCForm::ShowOutputWord()
{
    auto byteOf = [this](const char *name) -> uint8_t {
        const FieldBinding &b = Binding(QString::fromLatin1(name));
        return (AddressUsable(b) && chip.imageByte) ? chip.imageByte(b.address) : 0;
    };
    const bool hasHigh = AddressUsable(Binding(QStringLiteral("ADC0OH")));
    const uint32_t word = OutputWord(byteOf("ADC0OH"), byteOf("ADC0OM"), byteOf("ADC0OL"), hasHigh);
    m_output->setText(OutputWordText(word, m_ctx.config.TXADCOMD, m_ctx.config.TXADCObit, hasHigh));
}

void TADCForm::ShowDataRate()
{
    std::array<uint8_t, kImageBytes> image{};
    if (chip.imageByte)
        for (const char *name : {"OSR0", "ADCS0", "ADCCK0"})
            if (const FieldBinding &b = Binding(QString::fromLatin1(name)); AddressUsable(b))
                image[b.address] = chip.imageByte(b.address);
    m_rate->setText(DataRateText(ConverterRateFromSettings(m_ctx.bindings.adc, m_ctx.chip, image).hz));
}

void TADCForm::DataUpdate()
{
    // 1. The settings.
    INHSwitch(ReadField(QStringLiteral("IN0H")));
    INLSwitch(ReadField(QStringLiteral("IN0L")));
    VRHSwitch(ReadField(QStringLiteral("VR0H")));
    VRLSwitch(ReadField(QStringLiteral("VR0L")));
    INXSwitch(ReadField(QStringLiteral("INX0")));
    INISSwitch(ReadField(QStringLiteral("IN0IS")) == 1);
    PGAGNSwitch(ReadField(QStringLiteral("PGA0GN")));
    ENHIGNSwitch(ReadField(QStringLiteral("ENHIGN0")) == 1);
    ENCHPSwitch(ReadField(QStringLiteral("ENCHP0")) == 1);
    ADGNSwitch(ReadField(QStringLiteral("AD0GN")));
    INBUFFSwitch(ReadField(QStringLiteral("INBUF0")) == 1);
    VERBUFFSwitch(ReadField(QStringLiteral("VRBUF0")) == 1);
    VRGNSwitch(ReadField(QStringLiteral("VRE0GN")) == 1);
    ADCCKSwitch(ReadField(QStringLiteral("ADCCK0")) == 1);
    DCSETSwitch(ReadField(QStringLiteral("DCSET0")));
    OSRSwitch(ReadField(QStringLiteral("OSR0")));
    ADCSSwitch(ReadField(QStringLiteral("ADCS0")));
    ShowDataRate();
    // 2. The output word, with the notation and width kept in the configuration.
    SelectQuietly(m_mode, m_ctx.config.TXADCOMD);
    SelectQuietly(m_bits, m_ctx.config.TXADCObit);
    ShowOutputWord();
    // 3. A stopped converter shows no word.
    ENADCSwitch(ReadField(QStringLiteral("ENADC0")) == 1);
    // 4. Supply.
    ADCENVDDASwitch();
    // 5. The conversion-done flag, by colour only.
    const int adif = ReadField(QStringLiteral("ADCIF")) == 1 ? 1 : 0;
    if (m_adifShown != adif) {
        m_adifShown = adif;
        QPalette pal = m_adif->palette();
        pal.setColor(QPalette::Window, m_adifShown ? QColor(Qt::blue) : PlainBackground(pal));
        pal.setColor(QPalette::WindowText, m_adifShown ? ActiveText(pal) : QColor(Qt::black));
        m_adif->setPalette(pal);
    }
}

void TADCForm::TXADCOMDChange()
{
    m_ctx.config.TXADCOMD = std::max(0, m_mode->currentIndex());
    DataUpdate();
}

void TADCForm::TXADCObitChange()
{
    m_ctx.config.TXADCObit = std::max(0, m_bits->currentIndex());
    DataUpdate();
}

void TADCForm::Button1Click()
{
    if (!chip.transferByte || !chip.storeAndRefresh)
        return;
    if (!chip.readChip || !chip.readChip(kOutputLow, 3)) {
        // The image keeps its bytes; the failure is said, not shown as a word.
        m_ctx.status.SetText(0, QStringLiteral("Read Error !!!!!"));
        return;
    }
    const uint8_t bytes[3] = {chip.transferByte(0), chip.transferByte(1), chip.transferByte(2)};
    for (int i = 0; i < 3; ++i)
        chip.storeAndRefresh(kOutputLow + i, bytes[i]);
}

} // namespace vek
