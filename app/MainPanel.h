#pragma once
// The MDI frame of the program: main menu, three-field status bar, progress gauge, and the one
// place where panels are shown and hidden.
#include "app/WindowSet.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QProgressBar;
class QPushButton;

namespace vek {

struct AppContext;
struct ConfigLoad;
class PanelWindow;
class TRestoreWin;

class TMainPanel : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Vek-ENOBTEST V1.7 HID";

    explicit TMainPanel(AppContext &ctx);
    ~TMainPanel() override;

    // Takes the other windows once they all exist.
    void AttachWindows(WindowSet *windows);

    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    // True once the close steps have run.
    bool Closed() const { return m_closed; }

    void LoadConfig(const QString &fileName);
    void SaveConfig(const QString &fileName);
    void USBClient();
    // The chip-dependent captions of the main window and the panels, for the selected model.
    void ShowChipCaptions();

    // Shows a panel as an MDI child at its current place and size, or hides it as an invisible
    // top-level window. No panel is ever destroyed before the program ends.
    void SetPanelShown(PanelWindow *window, bool shown);

    // Menu handlers.
    void SaveFluke1Click();
    void SaveReg1Click();
    void SavePower1Click();
    void DownLoadFluke1Click();
    void DownloadReg1Click();
    void DownloadPower1Click();
    void SMenu_OptionClick();
    void SMenu_RAMClick();
    void SMenu_REGClick();
    void SMenu_ADCClick();
    void SMenu_OPClick();
    void SMenu_CMPClick();
    void USBScanClick();
    void Menu_ReadRAMClick();
    void Menu_ReadAdcClick();
    void Menu_NoiseTableClick();
    void Menu_LongRunClick();
    void Menu_HistoryClick();
    void SLEEP1Click();
    void MCALWClick();
    void RestoreADCClick();
    void RegistClick();
    void Fluke1Click();
    void Power1Click();
    void Button1Click();

    // Makes the instrument menus visible (a chip description asked for the instruments).
    void ShowInstrumentMenus();

    // The window placement store.
    TRestoreWin *RestoreWin1() const { return m_restoreWin; }
    QMdiArea *MdiArea() const { return m_mdi; }
    QProgressBar *Gauge1() const { return m_gauge; }
    QLabel *StatusField(int i) const;
    QAction *MenuItem(const QString &componentName) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Distance of an anchored panel from the right edge of the area.
    static constexpr int kAnchorMargin = 20;
    void BuildMenus();
    void BuildStatusBar();
    // The steps of loading the configuration that reach into other windows.
    void ShowLoadedConfig(const ConfigLoad &load);
    void SelectChipAndInterface();
    // Takes the settings that the windows hold back into the context before saving.
    void GatherConfig();

    AppContext &m_ctx;
    WindowSet *m_w = nullptr;
    QMdiArea *m_mdi = nullptr;
    QProgressBar *m_gauge = nullptr;
    QLabel *m_fields[3] = {nullptr, nullptr, nullptr};
    QPushButton *m_button1 = nullptr;
    TRestoreWin *m_restoreWin = nullptr;
    bool m_closed = false;
    bool m_searchedOnShow = false;
    bool m_destroyed = false;
    bool m_configReplaceable = true; // false: a settings file not loaded could not be kept
};

} // namespace vek
