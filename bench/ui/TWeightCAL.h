#pragma once
// The channel switch test window "Switch ADC Channel Test": eight channel sets captured from the
// chip and written back, the run parameters, the run on the chip's own test program, the result
// grid one step at a time, and the result files.
#include "bench/SwitchRun.h"
#include "bench/SwitchTest.h"
#include "widgets/PanelWindow.h"

#include <QLabel>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QPushButton;
class QTableView;
class QTimer;

namespace vek {

struct AppContext;
class SwitchGridModel;

// A panel that acts as a button: raised or lowered, with a caption, reporting clicks.
class SwitchClickPanel : public QLabel {
    Q_OBJECT
public:
    SwitchClickPanel(const QString &name, const QString &caption, QWidget *parent);
    void SetRaised(bool raised);
    bool Raised() const { return m_raised; }
    // Text and background colours as 0xRRGGBB.
    void SetColours(uint32_t text, uint32_t background);
    uint32_t TextColour() const { return m_text; }
    uint32_t BackgroundColour() const { return m_background; }
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_raised = true;
    uint32_t m_text = 0, m_background = 0;
};

class TWeightCAL : public PanelWindow {
    Q_OBJECT
public:
    // Colours the panels take (0xRRGGBB).
    static constexpr uint32_t kSilver = 0xC0C0C0;
    static constexpr uint32_t kBlue = 0x0000FF;

    explicit TWeightCAL(AppContext &ctx, QWidget *parent = nullptr);
    ~TWeightCAL() override;

    // The analysis window follows this window's "Scale" choice (the index is given).
    std::function<void(int index)> scaleIndexChanged;

    void FormCreate();
    void FormClose();
    void FormResize();
    void ClosedByUser() override { FormClose(); }
    bool LoadConfig(const QString &fileName);
    void SaveConfig(const QString &fileName);

    void SwitChClick(int channel);
    void PSwitchSetClick(int channel);
    void PSwReviewClick(int channel);
    void EvStepLenChange();
    void LoopStepChange();
    void TXScaleChange();
    void ADShiftChange();
    void SendTOZR200Click();
    bool SendTOZR200WR();
    // "Begin": returns at once; the run starts from the event loop (RunTest), so the window and
    // STOP answer while it runs. The settings are locked during the run, and the window says so.
    void TestBeginClick();
    void RunTest();
    void PT2OUTLOW();
    void PStepClick(int step);
    void PStepSet(int step);
    void ReRowColSGD();
    void ClearSGD();
    void PSTPClick() { m_stop = true; }
    void SaveExcelClick() { SaveToExcel(); }
    void SaveToExcel();
    void Timer1Timer() {}

    // Kept in the configuration file (line 21); setting it here writes nothing to the chip.
    void SetADShiftIndex(int index);
    int ADShiftIndex() const;
    // Set by the analysis window; runs no handler.
    void SetTXScaleIndex(int index);
    int TXScaleIndex() const;

    SwitchTest &Test() { return *m_test; }
    bool Running() const { return m_running; }
    // "Begin" was pressed and the run has not yet begun.
    bool StartQueued() const { return m_startQueued; }
    QLabel *LockNote() const { return m_lockNote; }
    bool StopRequested() const { return m_stop; }
    // The step the grid shows.
    int ShownStepNow() const { return m_shownStep; }
    // What the last run ended with.
    SwitchRunOutcome LastRun() const { return m_lastRun; }

    // Controls, for the main window and tests.
    QCheckBox *SwitCh(int i) const { return m_switch[size_t(i)]; }
    SwitchClickPanel *PSwitchSet(int i) const { return m_set[size_t(i)]; }
    SwitchClickPanel *PSwReview(int i) const { return m_review[size_t(i)]; }
    SwitchClickPanel *PStep(int i) const { return m_step[size_t(i)]; }
    SwitchClickPanel *PSTP() const { return m_stopPanel; }
    QComboBox *EvStepLen() const { return m_evStepLen; }
    QComboBox *LoopStep() const { return m_loopStep; }
    QComboBox *TXScale() const { return m_txScale; }
    QComboBox *ADShift() const { return m_adShift; }
    QPushButton *SendTOZR200() const { return m_send; }
    QPushButton *TestBegin() const { return m_begin; }
    QPushButton *SaveExcel() const { return m_saveExcel; }
    QTableView *SGDS() const { return m_grid; }
    SwitchGridModel *GridModel() const { return m_model; }
    QFrame *Panel1() const { return m_panel1; }
    QTimer *Timer1() const { return m_timer; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The run as a record of the results history (each checked channel's mean and spread).
    void RecordRun();
    void BuildControls();
    // Waits on the program's clock while the window keeps repainting.
    void WaitRepainting(int32_t ms);
    // No two board operations of this window at once (their waits let clicks through).
    bool Busy() const { return m_running || m_waiting || m_startQueued; }
    // The channel boxes, the lists, Set, Review, Send, Begin and SaveExcel off during a run.
    void SetRunLocked(bool locked);

    AppContext &m_ctx;
    std::unique_ptr<SwitchTest> m_test;
    bool m_stop = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_startQueued = false;
    int m_shownStep = 0;
    SwitchRunOutcome m_lastRun;

    std::array<QCheckBox *, kSwitchChannels> m_switch{};
    std::array<SwitchClickPanel *, kSwitchChannels> m_set{}, m_review{}, m_step{};
    SwitchClickPanel *m_stopPanel = nullptr;
    QComboBox *m_evStepLen = nullptr, *m_loopStep = nullptr, *m_txScale = nullptr, *m_adShift = nullptr;
    QLabel *m_label1 = nullptr, *m_label2 = nullptr, *m_label3 = nullptr, *m_lockNote = nullptr;
    QPushButton *m_send = nullptr, *m_begin = nullptr, *m_saveExcel = nullptr;
    QTableView *m_grid = nullptr;
    SwitchGridModel *m_model = nullptr;
    QFrame *m_panel1 = nullptr;
    QTimer *m_timer = nullptr;
};

} // namespace vek
