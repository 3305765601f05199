#pragma once

// Stands in for the media worker (pelnix-media-worker) while it lives: a shell script that does what
// its body says, with the worker's arguments (start|moment, the bound, the file's URL) as $1 to $3.

#include "platform/MediaReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <sys/types.h>

namespace pelnix::test {

class FakeMediaWorker {
public:
    explicit FakeMediaWorker(const QByteArray& body) {
        const QString script = m_dir.filePath(QStringLiteral("worker"));
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write("#!/bin/sh\necho $$ > '" + m_dir.filePath(QStringLiteral("pid")).toLocal8Bit() + "'\n" +
                   body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PELNIX_MEDIA_WORKER", script.toLocal8Bit());
    }
    ~FakeMediaWorker() { qunsetenv("PELNIX_MEDIA_WORKER"); }

    // A worker that answers `reading`, but holds a file whose URL contains `held` until open() is
    // called: reads of such files keep their places as long as a test wants.
    static std::unique_ptr<FakeMediaWorker> gated(const QByteArray& held,
                                                  const platform::MediaReading& reading) {
        auto worker = std::make_unique<FakeMediaWorker>(QByteArray());
        const QByteArray gate = worker->file(QStringLiteral("gate")).toLocal8Bit();
        const QByteArray answer = worker->file(QStringLiteral("answer")).toLocal8Bit();
        QFile answerFile(worker->file(QStringLiteral("answer")));
        if (answerFile.open(QIODevice::WriteOnly))
            answerFile.write(platform::MediaReader::encode(reading));
        answerFile.close();
        worker->rewrite("case \"$3\" in *" + held + "*) while [ ! -e '" + gate +
                        "' ]; do sleep 0.01; done ;; esac\ncat '" + answer + "'\n");
        return worker;
    }
    // Lets the held reads of a gated worker answer.
    void open() const {
        QFile gate(file(QStringLiteral("gate")));
        if (gate.open(QIODevice::WriteOnly))
            gate.close();
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }
    // The worker's process id once it has started, else 0.
    pid_t pid() const {
        QFile file(m_dir.filePath(QStringLiteral("pid")));
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
    }
    // Once the worker was told to end: no process of its id is left (a reaped one is gone). One
    // killed before it wrote its id is gone too.
    bool gone() const {
        const pid_t id = pid();
        return id <= 0 || ::kill(id, 0) != 0;
    }

private:
    void rewrite(const QByteArray& body) {
        QFile file(m_dir.filePath(QStringLiteral("worker")));
        if (file.open(QIODevice::WriteOnly))
            file.write("#!/bin/sh\n" + body);
    }

    QTemporaryDir m_dir;
};

} // namespace pelnix::test
