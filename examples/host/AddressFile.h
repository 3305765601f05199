#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The file that tells a shell the running service's address (scripts/demo passes
// build/demo-service-address). The path may hold anything a user put there, so the demo writes only
// where nothing stands or where an earlier demo's address file stands, and takes back only the file
// it wrote, while it still holds its address: a second demo that took the path over keeps its own.
class AddressFile {
public:
    AddressFile() = default;
    ~AddressFile();
    AddressFile(const AddressFile&) = delete;
    AddressFile& operator=(const AddressFile&) = delete;

    // Writes `address` and a newline to `path` through a new file in the same folder, moved into
    // place. False, with errorString(), when the path is a link, a folder, a FIFO, a device or a file
    // of other content, or the file cannot be made: what stands at the path is left as it was.
    bool publish(const QString& path, const QString& address);
    // Removes the published file while it is the one publish() made and still holds its address.
    void withdraw();
    QString errorString() const { return m_error; }

    // Whether `content` is a whole address file as publish() writes it: one http(s) address of a
    // service, ending in "/", and a newline.
    static bool isAddressFile(const QByteArray& content);

private:
    bool refuse(const QString& path, const QString& reason);

    QString m_error;
    QByteArray m_path;
    QByteArray m_content;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
