#pragma once
// The ENOB test window: capture, figures, chart and result file.
#include "analysis/ConverterRate.h"
#include "analysis/Capture.h"
#include "analysis/Statistics.h"
#include "widgets/PanelWindow.h"

#include <QElapsedTimer>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLCDNumber;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace vek {

struct AppContext;
class SampleGridModel;
class ChartViews;

// The board traffic of the window, supplied by the acquisition over the device link. Each is
// optional: an empty one makes its button do nothing (a capture then reports "Read Error !!!!!").
struct AnalysisLinkHooks {
    // The streamed capture on slot 0 (BeginCapture, DecodeBlock per block with
    // TAnxADC::CaptureBlockDecoded after each, FinishCapture); true when the target was reached
    // without a stop or a failure.
    std::function<bool()> streamCapture;
    // "ADC": block capture with trigger and wait, then TAnxADC::AnalyseRamBlock.
    std::function<void()> readRamBlock;
    // "Cal. Valtage": three single conversions, then TAnxADC::SetCalibrationPair.
    std::function<void()> calibrate;
    // Before "Ca.Flash" records: the channel switch test's port 2 output low (PT2OUTLOW).
    std::function<void()> beforeFlash;
    // One chip RAM byte, for the key polling.
    std::function<bool(int address, uint8_t &value)> readChipByte;
    std::function<bool(int address, uint8_t value)> writeChipByte;
    // Writes a register preset row (0x3C..0x40, then 0x30), reads it back into the chip image
    // and refreshes the panels.
    std::function<void(const std::array<uint8_t, 6> &row)> applyRegisterPreset;
    // Disables / enables the main window's "File", "Option", "Read RAM" and "ENOB Test" menus.
    std::function<void(bool enabled)> setBoardMenusEnabled;
    // The "Scale" choice changed; the channel switch test follows it.
    std::function<void(int index)> scaleIndexChanged;
};

class TAnxADC : public PanelWindow {
    Q_OBJECT
public:
    explicit TAnxADC(AppContext &ctx, QWidget *parent = nullptr);
    ~TAnxADC() override;

    AnalysisLinkHooks hooks;
    // A streamed capture that gets nothing from the board this long fails (0: it waits until
    // stopped, as a user can stop it; an unattended run sets a limit).
    // The kind its captures have in the results history ("enob"; a temperature run's steps).
    QString recordKind = QStringLiteral("enob");
    int recordStep = -1; // a temperature run's step, kept with the record when set
    int32_t captureIdleTimeoutMs = 0;

    // Window events.
    void FormCreate();
    void FormClose();
    void FormResize();
    // The grid's columns: their share of its width, at least as wide as the widest value.
    void FitGridColumns();
    void ClosedByUser() override { FormClose(); }

    // Settings handlers.
    void NPointIndexChange();
    void TXScaleChange();
    void ShowChartClick();
    void FTChangeClick();
    void CMAVRChange();
    void SaveDataClick() { SaveOut(); }
    void SaveOut();

    // Capture.
    void CatchADCClick();
    // The streamed measurement; true only when the capture reached its target and the figures
    // were computed.
    bool CatchACDCOM(const QString &refVoltText);
    // The board-buffered measurement; true when the capture succeeded (only then are there
    // figures).
    bool BFlashRDCOM(const QString &refVoltText);
    // Called by a capture after every block it decoded: grid, status text, gauge, and the time
    // chart when it is shown.
    void CaptureBlockDecoded(const DecodedRange &range, int byteCount);
    // Figures of a block read from chip RAM into the chip image of slot 0; redraws the chart.
    void AnalyseRamBlock(const QString &refVoltText, RamBlockLayout layout, bool bank2Present);
    void ClrTMP();
    // TmpRAMADC: the block the firmware left in chip RAM, read without a trigger, analysed and
    // shown; true when it gave figures.
    bool TmpRAMADC(const QString &refVoltText);
    // Disables (busy) or enables again the board menus and the buttons "Save to CSV" and
    // "Chang to Chart" around a capture.
    void SetCaptureControlsBusy(bool busy);

    // Statistics.
    void ReCalADC();
    double GetGain();
    void ComFunChange();

    // Chart.
    void ChartFun(int count);
    // The histogram and windowed spectrum views follow the points of the last analysis.
    void UpdateChartViews();
    // "Export Chart": the chart on show to PNG, SVG or PDF.
    void ExportChartClick();
    // "Save JSON": settings, figures and the windowed spectrum's figures as one JSON object.
    void SaveJsonClick();

    // Key polling and the hidden controls.
    void CKENPOLLClick();
    void Timer1Timer();
    void PreViewCom();
    void PreViewADCClick() { PreViewCom(); }
    void ExtADCClick() { PreViewCom(); }
    void BADCClick();
    void BCALValClick();
    void BFlashRDClick();

    // Settings kept in the configuration file, one pair per control. Setting "Sample Point" or
    // "Scale" runs its change handler; the other setters only set the control.
    void SetNPointIndex(int index);
    int NPointIndex() const;
    void SetTXScaleIndex(int index);
    int TXScaleIndex() const;
    void SetFrequencyView(bool on);
    bool FrequencyView() const;
    void SetCFunADCIndex(int index);
    int CFunADCIndex() const;
    void SetCalibrationPair(int32_t inputValue, int32_t adcResult);
    int32_t CalibrationInput() const { return m_calInput; }
    int32_t CalibrationResult() const { return m_calResult; }
    // mode 0 "Scale", 1 "DMM": registers 0x3C, 0x3D, 0x3E, 0x3F, 0x40, then 0x30.
    void SetRegisterRow(int mode, const std::array<uint8_t, 6> &row);
    std::array<uint8_t, 6> RegisterRow(int mode) const;
    void SetComFunIndex(int index);
    int ComFunIndex() const;
    void SetEREFVText(const QString &text);
    QString EREFVText() const;
    void SetCMAVRIndex(int index);
    int CMAVRIndex() const;
    void SetKeyAddressText(const QString &text);
    QString KeyAddressText() const;
    void SetKeyDataText(const QString &text);
    QString KeyDataText() const;
    // Grid shown (true) or chart shown.
    void SetGridShown(bool gridShown);
    bool GridShown() const;

    // Controls, for the main window and tests.
    QComboBox *NPointIndexBox() const { return m_nPoint; }
    QComboBox *TXScaleBox() const { return m_txScale; }
    QComboBox *CMAVRBox() const { return m_cmavr; }
    QComboBox *CFunADCBox() const { return m_cFunAdc; }
    QComboBox *ComFunBox() const { return m_comFun; }
    QLineEdit *EREFV() const { return m_erefv; }
    QLineEdit *EKEYADDR() const { return m_keyAddr; }
    QLineEdit *EKEYDATA() const { return m_keyData; }
    QLineEdit *ENumD() const { return m_numD; }
    QLineEdit *Edit1() const { return m_waitEdit; }
    QLineEdit *PreADCAddr() const { return m_adcAddr; }
    QLineEdit *CalVal() const { return m_calVal; }
    QCheckBox *CKENPOLL() const { return m_poll; }
    QCheckBox *CkFilter() const { return m_filter; }
    QPushButton *CatchADC() const { return m_catch; }
    QPushButton *SaveData() const { return m_save; }
    QPushButton *SaveJson() const { return m_saveJson; }
    ChartViews *Views() const { return m_views; }
    QPushButton *ShowChart() const { return m_showChart; }
    QPushButton *FTChange() const { return m_ftChange; }
    QPushButton *BADC() const { return m_badc; }
    QPushButton *BCALVal() const { return m_bcal; }
    QPushButton *BFlashRD() const { return m_bflash; }
    QPushButton *PreViewADC() const { return m_preView; }
    QPushButton *ExtADC() const { return m_extAdc; }
    QLabel *ResultBox(const char *name) const;
    QTableView *MemoryF() const { return m_grid; }
    SampleGridModel *GridModel() const { return m_model; }
    QCustomPlot *Chart1() const { return m_chart; }
    QWidget *ADCPanel() const { return m_adcPanel; }
    QTimer *Timer1() const { return m_timer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    void ClearResultBoxes();
    void ShowFigures(const Figures &f);
    MeasureSettings CurrentMeasureSettings(const QString &refVoltText);

    AppContext &m_ctx;
    SampleGridModel *m_model = nullptr;

    QWidget *m_mainPanel = nullptr;
    QWidget *m_resultBand = nullptr;
    QComboBox *m_nPoint = nullptr, *m_txScale = nullptr, *m_cmavr = nullptr;
    QComboBox *m_cFunAdc = nullptr, *m_comFun = nullptr;
    QLineEdit *m_erefv = nullptr, *m_keyAddr = nullptr, *m_keyData = nullptr, *m_numD = nullptr;
    QLineEdit *m_waitEdit = nullptr, *m_adcAddr = nullptr, *m_calVal = nullptr;
    QCheckBox *m_poll = nullptr, *m_filter = nullptr;
    QPushButton *m_catch = nullptr, *m_save = nullptr, *m_showChart = nullptr, *m_ftChange = nullptr;
    QPushButton *m_saveJson = nullptr;
    ChartViews *m_views = nullptr;
    // The averaging factor the points in the sample arrays were made with, and the gain of the
    // last figures.
    int m_pointsAveraging = 1;
    double m_lastGain = 1.0;
    bool m_finishing = false; // a capture's results are being put on show
    // The converter's rate as its settings gave it at the last measurement (when they give one).
    ConverterRate m_lastRate;
    // Points per second of the analysed points: the settings' rate, else the capture's timing.
    double PointsRateHz() const;
    // The capture as a record of the results history (measured, or failed and why).
    void RecordCapture(bool measured, const QString &failure);
    QPushButton *m_badc = nullptr, *m_bcal = nullptr, *m_bflash = nullptr;
    QPushButton *m_preView = nullptr, *m_extAdc = nullptr;
    QList<QWidget *> m_hiddenControls;
    QTableView *m_grid = nullptr;
    QCustomPlot *m_chart = nullptr;
    QWidget *m_adcPanel = nullptr;
    QLCDNumber *m_lcd = nullptr;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_lastLiveRedraw;

    int32_t m_calInput = 500000, m_calResult = 50000;
};

} // namespace vek
