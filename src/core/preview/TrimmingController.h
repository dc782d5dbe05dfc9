#pragma once

#include "core/preview/PreviewController.h"

#include <QObject>

#include <memory>

namespace vantrel {

class Prompt;
class SourceList;

// The trimming window without the window: the start and stop of one source
// row's clip, chosen with two sliders while the file plays in the window's own
// preview. OK writes them into the row; Cancel and the close box leave the row
// as it was. Every way out tells the window's player to quit.
class TrimmingController : public QObject
{
    Q_OBJECT

public:
    // Loads `row` of `list` (which must exist); `prompt` shows the refusal.
    TrimmingController(SourceList &list, int row, Prompt *prompt,
                       std::unique_ptr<PreviewController> preview, QObject *parent = nullptr);
    ~TrimmingController() override;

    // Opening the window on `row` of the main window's list: nothing when the
    // row does not exist (an empty list); otherwise the main window's preview
    // is ended (Q to its player, its timer stopped) and the window's logic is
    // made with `preview` as the window's own preview.
    static std::unique_ptr<TrimmingController> open(SourceList &list, int row,
                                                    PreviewController &mainPreview, Prompt *prompt,
                                                    std::unique_ptr<PreviewController> preview);

    PreviewController &preview() { return *m_preview; }

    // "Clip Time  -  " + the file (two blanks on each side of the dash).
    QString caption() const;
    QString trimmingFile() const { return m_file; }
    QString durationText() const { return m_durationText; }
    QString startText() const { return m_startText; }
    QString stopText() const { return m_stopText; }
    // The clip's length without sign, as a time text, within the file: a
    // start after the stop shows the distance between them too. Empty when a
    // text is no time.
    QString lengthText() const { return m_lengthText; }
    // Both sliders run from 0 to the file's duration in seconds.
    int sliderMaximum() const { return m_sliderMaximum; }
    int startSliderValue() const { return m_startSlider; }
    int stopSliderValue() const { return m_stopSlider; }

    // Play in the window's preview: the trimming file from its start.
    void play();

    // What the user typed into the start and stop boxes: a time moves its
    // slider (held within the file) and the clip's length, as dragging does.
    void setStartText(const QString &text);
    void setStopText(const QString &text);
    // A slider was released at `seconds`.
    void startSliderReleased(int seconds);
    void stopSliderReleased(int seconds);

    // OK: refuses a start that is not before the stop (compared in seconds),
    // or a stop past the file's length, with a message and stays open;
    // otherwise stores both texts in the row.
    // Returns whether the window closes.
    bool accept();
    // Cancel (also the Escape key and the close box).
    void cancel();
    // The window has closed, whichever way.
    void closed();

Q_SIGNALS:
    void startTextChanged(const QString &text);
    void stopTextChanged(const QString &text);
    void lengthTextChanged(const QString &text);
    // A typed time moved a slider.
    void startSliderChanged(int seconds);
    void stopSliderChanged(int seconds);
    // OK or Cancel ends the window.
    void finished(bool accepted);

private:
    void updateLength();
    void leave();

    SourceList &m_list;
    int m_row;
    Prompt *m_prompt;
    std::unique_ptr<PreviewController> m_preview;
    QString m_file;
    QString m_durationText;
    QString m_startText;
    QString m_stopText;
    QString m_lengthText;
    int m_sliderMaximum = 0;
    int m_startSlider = 0;
    int m_stopSlider = 0;
};

} // namespace vantrel
