#pragma once
// The program's one run: creates the fifteen windows in their fixed order, activates the main
// window, and takes them all down again at the end.
#include "app/WindowSet.h"

#include <QPointer>
#include <vector>

namespace vek {

struct AppContext;
struct MeasurementRecord;

class Program {
public:
    explicit Program(AppContext &ctx);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    WindowSet &Windows() { return m_w; }
    TMainPanel &Main() { return *m_w.main; }
    // The main window's activation: hides the panels and loads the settings.
    void Activate();
    // From now on every measurement goes to the results history in the program directory.
    void KeepHistory();

private:
    // The ADC, op-amp and comparator panels: their chip access and the chip selection's news.
    void ConnectAnalogPanels();
    // Adds a measurement to the results history, opened at the first record.
    void Record(MeasurementRecord record);
    AppContext &m_ctx;
    WindowSet m_w;
    std::vector<QPointer<QWidget>> m_owned;
};

} // namespace vek
