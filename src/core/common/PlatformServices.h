#pragma once

#include <QString>

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
    virtual ~PowerOff() = default;
    // Returns whether the power-off was accepted.
    virtual bool powerOff() = 0;
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
