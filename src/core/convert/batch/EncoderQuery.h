#pragma once

#include "core/tools/Process.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace vantrel {

// Asks the installed encoder which encoders it has ("-encoders"), so that a
// run can replace the codecs it lacks. The answer is remembered in a cache
// file for the same encoder file (its path, size and modification time), so
// that a later program (vantrel-cli's next run) need not ask again. The
// cache is read only as a regular file of bounded size and written by a
// rename that replaces whatever stands at its name.
class EncoderQuery : public QObject
{
    Q_OBJECT

public:
    explicit EncoderQuery(QObject *parent = nullptr);
    ~EncoderQuery() override;

    // Where the answer is remembered; none: it is asked every time.
    void setCacheFile(const QString &path) { m_cacheFile = path; }
    // `finished` follows, from the cache or from the encoder, never inside
    // this call (an encoder that cannot start answers at once otherwise).
    void start(const QString &encoderPath);

Q_SIGNALS:
    // Empty when the encoder could not say: nothing is then replaced.
    void finished(const QSet<QString> &encoders);

private:
    // The line that identifies an encoder file in the cache.
    static QString identity(const QString &encoderPath);

    Process m_process;
    QString m_cacheFile;
    QString m_identity; // of the encoder being asked
};

} // namespace vantrel
