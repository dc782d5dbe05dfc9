#pragma once

#include <QIcon>
#include <QPixmap>

namespace vantrel {

// The program's own pictures, drawn in code so nothing depends on files.
class Pictures
{
public:
    // The 16 x 16 picture of a profile group, by the number the catalogue
    // gives it (1..44); a plain frame for numbers no group uses.
    static QIcon groupPicture(int number);

    enum class Button
    {
        AddFiles,
        RemoveFile,
        ClearAll,
        Convert,
        Settings,
        Help,
        Exit
    };
    // The 32 x 32 pictures of the button strip.
    static QPixmap buttonPicture(Button button);

    // The emblem of the About window.
    static QPixmap emblem(int size);

    // What the online-video window shows while a page is read, and when
    // its video has no picture to show.
    static QPixmap loadingPlaceholder(const QSize &size);
    static QPixmap noPicturePlaceholder(const QSize &size);
};

} // namespace vantrel
