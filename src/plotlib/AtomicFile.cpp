#include "plotlib/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

CAtomicFileWriter::~CAtomicFileWriter() { Abort(); }

Status CAtomicFileWriter::Open(const std::string& path)
{
    Abort();
    m_path = path;
    m_failed = false;
    m_errno = 0;
    // mkstemp gives a unique name in the target's own folder, so the final
    // rename never crosses file systems.
    std::string pattern = FolderOf(path) + "/." + BaseName(path) + ".tmpXXXXXX";
    std::string buffer = pattern;
    const int fd = mkstemp(buffer.data());
    if (fd < 0)
        return Status::IoError("cannot write " + path + ": " + ErrnoText(errno));
    m_tempPath = buffer;
    struct stat st {};
    mode_t mode = 0644;
    if (stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        const int err = errno;
        close(fd);
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return Status::IoError("cannot write " + path + ": " + ErrnoText(err));
    }
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    return Status::Ok();
}

void CAtomicFileWriter::Write(const char* data, size_t size)
{
    if (!m_file || m_failed || size == 0)
        return;
    if (std::fwrite(data, 1, size, m_file) != size) {
        m_failed = true;
        m_errno = errno;
    }
}

Status CAtomicFileWriter::Flush()
{
    if (!m_file)
        return Status::IoError("cannot write " + m_path + ": the file was not opened");
    if (std::fflush(m_file) != 0 && !m_failed) {
        m_failed = true;
        m_errno = errno;
    }
    if (!m_failed && fsync(fileno(m_file)) != 0) {
        m_failed = true;
        m_errno = errno;
    }
    if (std::fclose(m_file) != 0 && !m_failed) {
        m_failed = true;
        m_errno = errno;
    }
    m_file = nullptr;
    if (m_failed) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return Status::IoError("cannot write " + m_path + ": " + ErrnoText(m_errno));
    }
    return Status::Ok();
}

Status CAtomicFileWriter::Commit()
{
    Status status = Flush();
    if (!status)
        return status;
    if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        const int err = errno;
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return Status::IoError("cannot replace " + m_path + ": " + ErrnoText(err));
    }
    m_tempPath.clear();
    return Status::Ok();
}

Status CAtomicFileWriter::CommitNew(bool& existed)
{
    existed = false;
    Status status = Flush();
    if (!status)
        return status;
    // renameat2 refuses to replace in one step; file systems without it
    // (some network shares) get a hard link, which refuses just the same.
    int result = renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_path.c_str(), RENAME_NOREPLACE);
    int err = result == 0 ? 0 : errno;
    if (result != 0 && (err == EINVAL || err == ENOSYS)) {
        result = link(m_tempPath.c_str(), m_path.c_str());
        err = result == 0 ? 0 : errno;
        unlink(m_tempPath.c_str());  // the extra name after a link, or the failed file
    } else if (result != 0) {
        unlink(m_tempPath.c_str());
    }
    m_tempPath.clear();
    if (result == 0)
        return Status::Ok();
    existed = err == EEXIST;
    return Status::IoError("cannot write " + m_path + ": " + ErrnoText(err));
}

void CAtomicFileWriter::Abort()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

Status WriteFileAtomically(const std::string& path, const std::string& data)
{
    CAtomicFileWriter writer;
    Status status = writer.Open(path);
    if (!status)
        return status;
    writer.Write(data);
    return writer.Commit();
}

Status ReadWholeFile(const std::string& path, std::string& data)
{
    data.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::IoError, "cannot open " + path + ": " + ErrnoText(err));
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        return Status::IoError("cannot open " + path + ": it is a folder");
    }
    if (st.st_size > 0)
        data.reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            close(fd);
            return Status::IoError("cannot read " + path + ": " + ErrnoText(err));
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return Status::Ok();
}
