#pragma once
// The real dialogs: Qt message boxes, colour and file dialogs, and a modal loop for windows.
#include "app/base/Dialogs.h"

namespace vek {

class QtDialogs final : public Dialogs {
public:
    MsgResult Message(QWidget *parent, const QString &caption, const QString &text,
                      MsgButtons buttons, MsgIcon icon) override;
    std::optional<uint32_t> PickColour(QWidget *parent, uint32_t initialRgb) override;
    std::optional<QString> OpenFile(QWidget *parent, const QString &caption,
                                    const QString &directory, const QString &filter) override;
    std::optional<QString> SaveFile(QWidget *parent, const QString &caption,
                                    const QString &directory, const QString &filter,
                                    SaveQuestion question) override;
    void ShowModal(QWidget *window) override;
};

// Keeps a top-level window's size and position within its screen.
void FitToScreen(QWidget *window);

} // namespace vek
