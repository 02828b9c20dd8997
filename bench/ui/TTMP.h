#pragma once
// The "Temperature Test" window: the register step table with the step count, the result grid
// that shows the mean of each step, and the settings of a run. The run itself comes through
// TemperatureRunHooks; until it is attached, the buttons that would start it stay disabled.
#include "widgets/PanelWindow.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace vek {

struct AppContext;
class RegisterStepModel;
class StepResultModel;

// The work behind the window's buttons. Attaching a piece enables its buttons.
struct TemperatureRunHooks {
    // "Catch ADC" (mode 1, streamed capture), "ADC" (mode 0, RAM-block capture) and "Ca.Flash"
    // (mode 2, calibration read-back): a whole run. With it "Stop" is enabled too.
    std::function<void(int mode)> run;
    // "SaveData": the summary files now.
    std::function<void()> saveData;
    // "ENTER": the calibrator's range lock sequence.
    std::function<void()> rangeLock;
    // "Stop": ends a run in progress at its next wait or capture check.
    std::function<void()> stop;
};

// What the window keeps across a run.
struct TemperatureRunState {
    bool running = false;
    int registerColumns = 0; // the register columns a run writes
    int steps = 0;           // the steps S of a run
    int fullFileNumber = 0;  // the number of the next full sample file
};

class TTMP : public PanelWindow {
    Q_OBJECT
public:
    // Measurement choices of `CADCBRY`.
    enum Measure { kAdcAndMeter, kAdcOnly, kMeterOnly };

    explicit TTMP(AppContext &ctx, QWidget *parent = nullptr);
    ~TTMP() override;

    TemperatureRunState runState;

    void FormCreate();
    void FormClose();
    void ClosedByUser() override { FormClose(); }

    // The step count N of `EModenum`: 1..10000; anything else gives 48, which the edit then
    // shows. The register step table gets N step rows, and onStepCount tells the step tables.
    int Modenum();
    // Enter in `EModenum`: Modenum, then onStepCountEntered (the calibrator table is rebuilt).
    void EModenumKeyPress();
    std::function<void(int steps)> onStepCount;
    std::function<void(int steps)> onStepCountEntered;

    // "Save Reg": "Register.txt", "Delay.txt" and "ACM.txt" in the program directory. A file
    // that cannot be written is named in the status bar. True when all three were written.
    bool SaveReg();
    // "Download Reg": the table from the three files, then the result grid prepared for its
    // steps. A missing or unreadable "Register.txt" (or an unreadable "Delay.txt" or "ACM.txt")
    // is named in the status bar and leaves the table as it was. True when loaded.
    bool DownloadReg();
    // The used extent as the last save or load found it.
    int UsedColumns() const { return m_usedColumns; }
    int UsedRows() const { return m_usedRows; }

    // Attaches the run; the buttons whose work is given are enabled.
    void AttachRun(TemperatureRunHooks hooks);
    // Looks for the board ("USB Scan"); a run that finds no link at its start tries it once.
    std::function<void()> connectBoard;
    // The start buttons return at once: the run starts from the event loop, so that the
    // window (and "Stop") answers while it runs. `mode` as TemperatureRunHooks::run.
    void StartRun(int mode);
    void CatchADCClick();
    void BADCClick();
    void BFlashRDClick();
    void Button2Click();
    void ENSaveClick();
    void LKENTERClick();
    // Checking one range lock clears the other.
    void LK330mVClick();
    void LK3VClick();

    // Repaints the result grid every 1000 ms.
    void Timer1Timer();

    QTimer *Timer1() const { return m_timer; }
    QLineEdit *EModenum() const { return m_modenum; }
    QTableView *RegChg() const { return m_regChg; }
    QTableView *TMPData() const { return m_tmpData; }
    RegisterStepModel *RegChgModel() const { return m_regModel; }
    StepResultModel *TMPDataModel() const { return m_resultModel; }
    QPushButton *CatchADC() const { return m_catchAdc; }
    QPushButton *BADC() const { return m_badc; }
    QPushButton *BFlashRD() const { return m_flashRd; }
    QPushButton *Button2() const { return m_stop; }
    QPushButton *ENSave() const { return m_saveData; }
    QPushButton *LKENTER() const { return m_lkEnter; }
    QComboBox *CADCBRY() const { return m_measure; }
    QLineEdit *PDlyT() const { return m_powerDelay; }
    QCheckBox *FkNOINT() const { return m_keepFluke; }
    QCheckBox *CHFULL() const { return m_fullFiles; }
    QCheckBox *LK330mV() const { return m_lock330mV; }
    QCheckBox *LK3V() const { return m_lock3V; }

private:
    void BuildControls();
    void SetRegChgColumnWidths();
    void UpdateButtons();

    AppContext &m_ctx;
    TemperatureRunHooks m_run;
    bool m_startQueued = false;
    bool m_startCancelled = false;
    int m_usedColumns = 0;
    int m_usedRows = 0;
    RegisterStepModel *m_regModel = nullptr;
    StepResultModel *m_resultModel = nullptr;
    QTimer *m_timer = nullptr;
    QLineEdit *m_modenum = nullptr;
    QTableView *m_regChg = nullptr;
    QTableView *m_tmpData = nullptr;
    QPushButton *m_catchAdc = nullptr;
    QPushButton *m_badc = nullptr;
    QPushButton *m_flashRd = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_saveData = nullptr;
    QPushButton *m_lkEnter = nullptr;
    QComboBox *m_measure = nullptr;
    QLineEdit *m_powerDelay = nullptr;
    QCheckBox *m_keepFluke = nullptr;
    QCheckBox *m_fullFiles = nullptr;
    QCheckBox *m_lock330mV = nullptr;
    QCheckBox *m_lock3V = nullptr;
};

} // namespace vek
