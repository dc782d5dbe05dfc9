#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace vantrel {

// Message boxes, captioned with the application title. Tests read what would
// be shown instead. Showing never waits: whatever must follow the user's
// reading goes in `then`, which runs once the message has been closed.
class Prompt
{
public:
    enum class Kind
    {
        Error,      // refusals and failures
        Warning,    // done, but not all went well
        Information // notices
    };
    using Then = std::function<void()>;
    using Answer = std::function<void(bool yes)>;

    virtual ~Prompt() = default;
    virtual void show(Kind kind, const QString &text, Then then) = 0;
    // A question with Yes and No; `answer` gets the choice when it is made.
    virtual void ask(const QString &text, Answer answer) = 0;

    void error(const QString &text, Then then = {}) { show(Kind::Error, text, std::move(then)); }
    void warning(const QString &text, Then then = {})
    {
        show(Kind::Warning, text, std::move(then));
    }
    void information(const QString &text, Then then = {})
    {
        show(Kind::Information, text, std::move(then));
    }
};

// Powers the computer off. Tests use a fake and can never power off.
class PowerOff
{
public:
    using Answer = std::function<void(bool accepted)>;

    virtual ~PowerOff() = default;
    // Asks for the power-off. `answer` is called once, with whether it was
    // accepted; a request that gets no answer in a few seconds counts as
    // refused.
    virtual void powerOff(Answer answer) = 0;
};

// Keeps the computer from sleeping, by idle time or by a sleep asked for,
// from `hold` to `release`; the system lets go by itself when the program
// ends. Tests use a fake.
class SleepGuard
{
public:
    // What keeps the computer awake ("logind", "the desktop's screen
    // saver"); empty: nothing could.
    using Held = std::function<void(const QString &by)>;

    virtual ~SleepGuard() = default;
    // `held` learns, once, what holds it; a `release` before the answer
    // drops the answer, and what it held.
    virtual void hold(const QString &why, Held held) = 0;
    virtual void release() = 0;
};

// Opens a folder in the desktop's file browser.
class Desktop
{
public:
    using Opened = std::function<void(bool opened)>;

    virtual ~Desktop() = default;
    // `opened` learns, once, whether a file browser took the folder; false
    // where none answers (none installed, no desktop).
    virtual void openFolder(const QString &folder, Opened opened) = 0;
};

// Where the files are, for a user whose file browser did not open `folder`.
QString folderNotShownMessage(const QString &folder);
// Opens `folder` in the file browser; where none opens, the user is told
// where the files are instead. Without a desktop nothing is done.
void showFolder(Desktop *desktop, Prompt *prompt, const QString &folder);

// Tells the desktop how a batch goes while the window may be out of sight:
// a progress mark on the program's entry in the task bar or dock, and a
// notification when it ends. Silent where the desktop has neither.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    // The batch's share done, 0..1; none takes the mark away.
    virtual void showProgress(std::optional<double> done) = 0;
    // `warning`: something went wrong, the notification says so by its icon.
    virtual void notify(const QString &summary, const QString &body, bool warning) = 0;
};

// The program's display name: the caption of every message box.
inline QString applicationTitle()
{
    return QStringLiteral("Vantrel Video Converter");
}

} // namespace vantrel
