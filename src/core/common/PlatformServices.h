#pragma once

#include <QString>

#include <functional>

namespace vantrel {

// Message boxes, captioned with the application title. Tests read what would
// be shown instead.
class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual void error(const QString &text) = 0;       // refusals and failures
    virtual void information(const QString &text) = 0; // notices
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
