#include "common/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace talven::Platform {

namespace {

QString systemText(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

Error systemError(int errnum) {
    return Error{{}, errnum == ENOENT || errnum == ENOTDIR ? ErrorCode::NotFound : ErrorCode::Io}.withCause(
        systemText(errnum));
}

// A failure after the file was opened: the caller says it could not be read.
Error readError(int errnum) {
    Error e = systemError(errnum);
    e.detail = ReadFailed;
    return e;
}

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Directory;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileKind::Device;
    if (S_ISLNK(mode))
        return FileKind::Link;
    return FileKind::Other;
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a failure to flush is seen; errno on failure, 0 on success.
    int close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

} // namespace

bool processRunning(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

int pathLimit() {
    return PATH_MAX;
}

int nameLimit() {
    return NAME_MAX;
}

QString overLong(const QString& path) {
    const QString absolute = QDir(path).absolutePath();
    // Room for the longest name the program adds (a backup's temporary copy).
    if (QFile::encodeName(absolute).size() >= pathLimit() - 40)
        return u"路径太长，超过系统上限 %1 字节"_s.arg(pathLimit());
    for (const QString& part : absolute.split(u'/'))
        if (QFile::encodeName(part).size() > nameLimit())
            return u"路径中的“%1…”太长，超过系统上限 %2 字节"_s.arg(part.left(20)).arg(nameLimit());
    return {};
}

FileStatus status(const QString& path, bool followLink) {
    FileStatus s;
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if ((followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            s.cause = systemText(errno);
        return s;
    }
    s.kind = kindOf(st.st_mode);
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.size = static_cast<qint64>(st.st_size);
    return s;
}

bool sameFile(const QString& a, const QString& b) {
    const FileStatus first = status(a);
    const FileStatus second = status(b);
    return first.kind != FileKind::Missing && second.kind != FileKind::Missing &&
           first.device == second.device && first.inode == second.inode;
}

QString kindWords(FileKind kind) {
    switch (kind) {
    case FileKind::Missing:
        return u"文件不存在"_s;
    case FileKind::Regular:
        return u"是普通文件"_s;
    case FileKind::Directory:
        return u"是文件夹，不是文件"_s;
    case FileKind::Fifo:
        return u"是命名管道（FIFO），不是普通文件"_s;
    case FileKind::Socket:
        return u"是套接字（socket），不是普通文件"_s;
    case FileKind::Device:
        return u"是设备文件，不是普通文件"_s;
    case FileKind::Link:
        return u"是符号链接"_s;
    case FileKind::Other:
        break;
    }
    return u"不是普通文件"_s;
}

Result<QByteArray> readRegularFile(const QString& path, qint64 limit) {
    // Looked at before it is opened: opening a fifo without a writer would wait for ever.
    if (const FileStatus s = status(path); s.kind != FileKind::Regular) {
        if (s.kind == FileKind::Missing)
            return s.cause.isEmpty() ? systemError(ENOENT) : Error{{}, ErrorCode::Io}.withCause(s.cause);
        return Error{{}, ErrorCode::Refused}.withCause(kindWords(s.kind));
    }
    // Non-blocking, and looked at once more through the descriptor: the name may have been given to
    // a fifo in between.
    Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return systemError(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return systemError(errno);
    if (!S_ISREG(st.st_mode))
        return Error{{}, ErrorCode::Refused}.withCause(kindWords(kindOf(st.st_mode)));
    QByteArray bytes;
    const qint64 wanted = limit + 1;
    bytes.resize(static_cast<qsizetype>(std::min<qint64>(std::max<qint64>(st.st_size, 0), wanted)));
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got >= wanted)
                break;
            // The file grew since it was looked at: read on in steps up to the limit.
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(got + 65536, wanted)));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return readError(errno);
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(static_cast<qsizetype>(got));
    return bytes;
}

QString replacementName(const QString& path) {
    return path + u".tmp-"_s + QString::number(QCoreApplication::applicationPid());
}

qint64 replacementOwner(const QString& fileName) {
    const qsizetype at = fileName.lastIndexOf(u".tmp-"_s);
    if (at < 0)
        return 0;
    bool ok = false;
    const qint64 pid = fileName.mid(at + 5).toLongLong(&ok);
    return ok ? pid : 0;
}

Result<void> replaceWithBytes(const QString& path, const QByteArray& bytes) {
    if (const FileStatus s = status(path, false);
        s.kind != FileKind::Missing && s.kind != FileKind::Regular && s.kind != FileKind::Link)
        return Error{{}, ErrorCode::Refused}.withCause(kindWords(s.kind));
    const QString temp = replacementName(path);
    const QByteArray tempName = QFile::encodeName(temp);
    ::unlink(tempName.constData());
    // O_EXCL and O_NOFOLLOW: a link planted under the temporary name is not followed either.
    Descriptor fd(::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return systemError(errno);
    auto failed = [&tempName](int errnum) {
        ::unlink(tempName.constData());
        return systemError(errnum);
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::write(fd.get(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(errno);
        done += n;
    }
    if (::fsync(fd.get()) != 0)
        return failed(errno);
    if (const int closeError = fd.close(); closeError != 0)
        return failed(closeError);
    // rename() replaces the link itself; the file it pointed to stays as it was.
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0)
        return failed(errno);
    return {};
}

} // namespace talven::Platform
