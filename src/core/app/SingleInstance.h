#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class QLocalServer;
class QLocalSocket;

namespace vantrel {

// One converter per user: a program that starts while another runs hands
// its files to that one and ends, so that "Open With" adds to the open list.
// The first program listens on a local socket; a later one connects, sends
// its files and waits for the answer. Nothing blocks: the outcome arrives
// as a signal.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAnswerTimeoutMs = 3000;

    // `name`: the socket; the default is per user.
    explicit SingleInstance(QString name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultName();

    // Offers `files` to a running program: `handedOver` when it took them,
    // `primary` when none answers (this program listens from then on).
    void start(const QStringList &files);

Q_SIGNALS:
    void handedOver();
    void primary();
    // Another program handed these over (maybe none: it asks to be shown).
    void filesReceived(const QStringList &files);

private:
    void becomePrimary();
    void serve(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
    QLocalSocket *m_client = nullptr;
    QTimer m_answerTimeout;
    bool m_decided = false;
};

} // namespace vantrel
