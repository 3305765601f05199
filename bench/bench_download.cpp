// Attachment downloads beside curl: one file of kFileBytes over loopback, through the library's download
// path (PLMediaDownloader: the transfer on its own thread, the body written beside its target and moved
// into place, the end posted to the main thread) and through `curl -s -o` to a target in the same
// folder, from the same server, in alternating pairs; the median wall time and CPU time of each, over
// plain http and over TLS. The server is this program in a process of its own (--serve), sending the
// file with sendfile(2), or over TLS with OpenSSL in writes of 256 KiB, so that its work counts on
// neither side. Its own check: every download, the library's and curl's, brings the whole file.
// Downloads speak HTTP/1.1 only, so there is no HTTP/2 row. Without curl the program says so and exits 77
// (skipped).

#include "BenchRun.h"
#include "TlsEndPeer.h"

#include "platform/NotificationCenter.h"
#include "ui/conversation/PLMediaDownloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace pelnix;

namespace {

// 200 MiB as measured; 8 MiB and 3 pairs in a short run.
const qint64 kFileBytes = bench::sized(qint64(200), qint64(8)) * 1024 * 1024;
const int kPairs = bench::sized(9, 3);
constexpr qint64 kServerWriteBytes = 256 * 1024;
constexpr double kTarget = 1.1;

// ---- the server, in a process of its own

// One connection: a GET of a file in `folder`, answered with its length and the whole file, then the
// end (close_notify first over TLS).
void answer(int connection, SSL_CTX* context, const QByteArray& folder) {
    SSL* tls = context ? SSL_new(context) : nullptr;
    if (tls) {
        SSL_set_fd(tls, connection);
        if (SSL_accept(tls) != 1) {
            SSL_free(tls);
            ::close(connection);
            return;
        }
    }
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n")) {
        const int read =
            tls ? SSL_read(tls, buffer, sizeof buffer) : int(::recv(connection, buffer, sizeof buffer, 0));
        if (read <= 0)
            break;
        head.append(buffer, read);
    }
    const QByteArray name = head.split(' ').value(1).split('/').last();
    const int file = ::open((folder + '/' + name).constData(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (file >= 0 && ::fstat(file, &status) == 0) {
        const QByteArray reply =
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            QByteArray::number(qint64(status.st_size)) + "\r\nConnection: close\r\n\r\n";
        if (tls) {
            SSL_write(tls, reply.constData(), int(reply.size()));
            QByteArray chunk(kServerWriteBytes, Qt::Uninitialized);
            for (ssize_t got; (got = ::read(file, chunk.data(), size_t(chunk.size()))) > 0;)
                if (SSL_write(tls, chunk.constData(), int(got)) <= 0)
                    break;
        } else {
            ::send(connection, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
            off_t offset = 0;
            for (off_t left = status.st_size; left > 0; left = status.st_size - offset)
                if (::sendfile(connection, file, &offset, size_t(left)) <= 0)
                    break;
        }
    }
    if (file >= 0)
        ::close(file);
    if (tls) {
        SSL_shutdown(tls);
        SSL_free(tls);
    }
    ::shutdown(connection, SHUT_WR);
    // The reader closes first, so that nothing it has not read is reset away.
    while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(connection);
}

int serve(const QByteArray& folder, bool secure) {
    SSL_CTX* context = secure ? test::TlsEndPeer::serverContext() : nullptr;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 1;
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    // Until the parent ends this process.
    for (;;) {
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0)
            std::thread(answer, connection, context, folder).detach();
    }
}

// ---- the two sides

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    bool whole = false;
};

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool isWhole(const QString& path, const QByteArray& expected) {
    QFile file(path);
    const bool whole = file.open(QIODevice::ReadOnly) && file.readAll() == expected;
    QFile::remove(path);
    return whole;
}

Figures viaLibrary(const QString& url, const QString& target, const QByteArray& expected) {
    PLMediaDownloader::Limits limits;
    limits.allowPlainHttp = true;
    limits.maxBytes = kFileBytes;
    PLMediaDownloader downloader;
    downloader.setLimits(limits);
    downloader.setMediaURLString(url);
    downloader.setFilePathURLToBeSaved(QUrl::fromLocalFile(target));
    auto* center = platform::NotificationCenter::defaultCenter();
    QEventLoop loop;
    bool finished = false;
    const auto finish = center->addObserver(QLatin1String(PLMediaDownloaderDidFinishDownloadingNotification),
                                            [&](const platform::Notification&) {
                                                finished = true;
                                                loop.quit();
                                            });
    const auto fail = center->addObserver(
        QLatin1String(PLMediaDownloaderDidFailWithErrorNotification),
        [&](const platform::Notification& note) {
            std::fprintf(
                stderr, "library: %s\n",
                qPrintable(note.userInfo.value(QLatin1String(PLMediaDownloaderErrorKey)).toString()));
            loop.quit();
        });
    rusage before{};
    rusage after{};
    ::getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    downloader.startDownloading();
    loop.exec();
    Figures figures;
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    ::getrusage(RUSAGE_SELF, &after);
    figures.cpuSeconds = cpuSeconds(after) - cpuSeconds(before);
    center->removeObserver(finish);
    center->removeObserver(fail);
    figures.whole = finished && isWhole(target, expected);
    return figures;
}

Figures viaCurl(const QString& url, const QString& target, const QString& authority,
                const QByteArray& expected) {
    QList<QByteArray> arguments{"curl", "-s", "-o", QFile::encodeName(target), url.toUtf8()};
    if (!authority.isEmpty())
        arguments << "--cacert" << QFile::encodeName(authority);
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    Figures figures;
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    if (::posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return figures;
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    figures.cpuSeconds = cpuSeconds(usage);
    figures.whole = WIFEXITED(status) && WEXITSTATUS(status) == 0 && isWhole(target, expected);
    return figures;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// One server's rows: kPairs alternating pairs, the library first in every other one.
bool compare(const char* name, const QString& url, const QDir& folder, const QString& authority,
             const QByteArray& expected) {
    QList<double> librarySeconds, libraryCpu, curlSeconds, curlCpu;
    bool whole = true;
    for (int pair = 0; pair < kPairs; ++pair) {
        for (int side = 0; side < 2; ++side) {
            const bool library = (pair + side) % 2 == 0;
            const Figures figures =
                library ? viaLibrary(url, folder.filePath(QStringLiteral("library.bin")), expected)
                        : viaCurl(url, folder.filePath(QStringLiteral("curl.bin")), authority, expected);
            whole = whole && figures.whole;
            (library ? librarySeconds : curlSeconds) << figures.seconds;
            (library ? libraryCpu : curlCpu) << figures.cpuSeconds;
        }
    }
    const double time = median(librarySeconds) / median(curlSeconds);
    std::printf("%-11s %9.3f %9.3f %7.2fx %9.3f %9.3f %7.2fx   %s%s\n", name, median(librarySeconds),
                median(curlSeconds), time, median(libraryCpu), median(curlCpu),
                median(libraryCpu) / median(curlCpu), time <= kTarget ? "within " : "OVER ",
                whole ? "" : "   CHECK FAILED: a download did not bring the whole file");
    return whole;
}

} // namespace

int main(int argc, char** argv) {
    bench::takeShortArgument(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--serve") == 0)
        return serve(argv[2], qstrcmp(argv[3], "tls") == 0);
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
        std::printf("skipped: curl is not installed, nothing to compare with\n");
        return 77;
    }
    QTemporaryDir folder;
    QByteArray file(kFileBytes, Qt::Uninitialized);
    QRandomGenerator random(2026);
    random.fillRange(reinterpret_cast<quint32*>(file.data()), file.size() / 4);
    const QDir root(folder.path());
    QFile stored(root.filePath(QStringLiteral("file.bin")));
    if (!stored.open(QIODevice::WriteOnly) || stored.write(file) != file.size())
        return 1;
    stored.close();
    QFile authority(root.filePath(QStringLiteral("authority.pem")));
    if (!authority.open(QIODevice::WriteOnly) || authority.write(test::TlsPeer::authority().toPem()) < 0)
        return 1;
    authority.close();
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(test::TlsPeer::authority());
    QSslConfiguration::setDefaultConfiguration(trusting);

    std::printf("download of %lld MiB, median of %d alternating pairs (target: %.1fx curl's time)\n",
                kFileBytes / (1024 * 1024), kPairs, kTarget);
    std::printf("%-11s %9s %9s %8s %9s %9s %8s\n", "", "library s", "curl s", "time", "lib CPU s",
                "curl CPU s", "CPU");
    bool whole = true;
    for (const bool secure : {false, true}) {
        QProcess server;
        server.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--serve"), folder.path(),
                      secure ? QStringLiteral("tls") : QStringLiteral("plain")});
        if (!server.waitForReadyRead(10000))
            return 1;
        const int port = server.readLine().trimmed().toInt();
        const QString url =
            QStringLiteral("%1://127.0.0.1:%2/file.bin").arg(secure ? "https" : "http").arg(port);
        whole = compare(secure ? "https" : "plain http", url, root, secure ? authority.fileName() : QString(),
                        file) &&
                whole;
        server.kill();
        server.waitForFinished();
    }
    return whole ? 0 : 1;
}
