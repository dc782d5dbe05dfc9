#pragma once

#include <QString>

#include <functional>

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

// Opens a folder in the desktop's file browser.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual void openFolder(const QString &folder) = 0;
};

// The program's display name: the caption of every message box.
inline QString applicationTitle()
{
    return QStringLiteral("Vantrel Video Converter");
}

} // namespace vantrel
