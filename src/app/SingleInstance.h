#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace qal {

// Keeps a second copy of the program from running on the same program folder. The first
// copy holds a lock file and listens on a local socket; a second copy finds the lock taken,
// tells the first to come to the front, and exits without touching a table.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &programFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the only copy; false when another copy runs (it has been
    // asked to come to the front).
    bool acquire();

signals:
    void activationRequested();

private:
    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace qal
