#pragma once
// Every message box, colour dialog and file dialog of the program goes through this one door,
// so tests can answer them and a headless run never blocks on a modal window.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace vek {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, Yes };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No };
enum class SaveQuestion { Dialog, Caller };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult Message(QWidget *parent, const QString &caption, const QString &text,
                              MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None) = 0;
    // Returns the chosen colour as 0xRRGGBB, or nothing when cancelled.
    virtual std::optional<uint32_t> PickColour(QWidget *parent, uint32_t initialRgb) = 0;
    // Returns the chosen path, or nothing when cancelled. filter uses the "Text (*.txt)" form.
    virtual std::optional<QString> OpenFile(QWidget *parent, const QString &caption,
                                            const QString &directory, const QString &filter) = 0;
    // Who asks about a file that exists: the file dialog, or the caller after it (so the
    // question is asked once, in the caller's words).
    virtual std::optional<QString> SaveFile(QWidget *parent, const QString &caption,
                                            const QString &directory, const QString &filter,
                                            SaveQuestion question = SaveQuestion::Dialog) = 0;
    // Shows a window modally and returns when it is hidden again.
    virtual void ShowModal(QWidget *window) = 0;
};

// Answers dialogs from queues that a test fills beforehand and records what was asked.
// An empty queue answers Cancel / nothing (or the only button of a one-button box), so nothing
// ever blocks.
class ScriptedDialogs final : public Dialogs {
public:
    struct Asked {
        QString kind, caption, text;
    };

    std::deque<MsgResult> messageAnswers;
    std::deque<std::optional<uint32_t>> colourAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::vector<Asked> asked;

    MsgResult Message(QWidget *, const QString &caption, const QString &text, MsgButtons buttons,
                      MsgIcon) override
    {
        asked.push_back({"message", caption, text});
        if (!messageAnswers.empty()) {
            const MsgResult r = messageAnswers.front();
            messageAnswers.pop_front();
            return r;
        }
        if (buttons == MsgButtons::Ok)
            return MsgResult::Ok;
        return buttons == MsgButtons::Yes ? MsgResult::Yes : MsgResult::Cancel;
    }
    std::optional<uint32_t> PickColour(QWidget *, uint32_t) override
    {
        asked.push_back({"colour", {}, {}});
        return Pop(colourAnswers);
    }
    std::optional<QString> OpenFile(QWidget *, const QString &caption, const QString &,
                                    const QString &) override
    {
        asked.push_back({"open", caption, {}});
        return Pop(fileAnswers);
    }
    std::optional<QString> SaveFile(QWidget *, const QString &caption, const QString &,
                                    const QString &, SaveQuestion question) override
    {
        asked.push_back({"save", caption,
                         question == SaveQuestion::Dialog ? QStringLiteral("asks to overwrite") : QString()});
        return Pop(fileAnswers);
    }

    void ShowModal(QWidget *) override { asked.push_back({"modal", {}, {}}); }

private:
    template <typename T>
    static T Pop(std::deque<T> &q)
    {
        T v{};
        if (!q.empty()) {
            v.swap(q.front());
            q.pop_front();
        }
        return v;
    }
};

} // namespace vek
