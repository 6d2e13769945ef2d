#include "plotlib/FolderTransport.h"

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "plotlib/AtomicFile.h"
#include "plotlib/PosixIo.h"
#include "plotlib/ProgramDir.h"

namespace fs = std::filesystem;

namespace {

// Two runs in this process never pick the same number: the choice and the
// file's first appearance happen under this lock.
std::mutex g_numberLock;

bool ParseJobNumber(const std::string& name, int& number)
{
    // "NNNNNN.plt": digits, then the extension, nothing else.
    const std::string ext = ".plt";
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    std::string digits = name.substr(0, name.size() - ext.size());
    if (digits.empty() || digits.size() > 9)
        return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    number = value;
    return true;
}

}  // namespace

CFolderTransport::CFolderTransport(std::string folder) : m_folder(std::move(folder)) {}

CFolderTransport::~CFolderTransport() = default;

int CFolderTransport::NextJobNumber(const std::string& folder)
{
    int highest = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        int n = 0;
        if (ParseJobNumber(it->path().filename().string(), n) && n > highest)
            highest = n;
    }
    return highest + 1;
}

Status CFolderTransport::Open(const std::string&)
{
    if (m_folder.empty())
        return Status::BadInput("no output folder set");
    StartJob();
    // The reason creating the folder failed is the one to tell (permission
    // denied), not what a look at the missing folder says afterwards.
    std::error_code created;
    fs::create_directories(m_folder, created);
    std::error_code looked;
    if (!fs::is_directory(m_folder, looked)) {
        const std::error_code& ec = created ? created : looked;
        if (!ec)
            return Status::IoError("cannot use folder " + m_folder + ": not a folder");
        return Status::FromErrno(ec.value(), StatusKind::IoError,
                                 "cannot use folder " + m_folder + ": " + ErrnoText(ec.value()));
    }
    std::lock_guard<std::mutex> lock(g_numberLock);
    char name[32];
    std::snprintf(name, sizeof name, "%06d.plt", NextJobNumber(m_folder));
    m_file = JoinPath(m_folder, name);
    m_writer = std::make_unique<CAtomicFileWriter>();
    Status s = m_writer->Open(m_file);
    if (!s)
        m_writer.reset();
    return s;
}

Status CFolderTransport::WriteBytes(const char* data, size_t size, size_t& written)
{
    written = 0;
    if (!m_writer)
        return Status::IoError("folder job " + m_file + " is not open");
    if (Cancelled())
        return Status::Cancelled("writing to " + m_file + ": cancelled");
    m_writer->Write(data, size);
    written = size;
    return Status::Ok();
}

Status CFolderTransport::Finish()
{
    if (!m_writer)
        return Status::IoError("folder job " + m_file + " is not open");
    std::lock_guard<std::mutex> lock(g_numberLock);
    std::error_code ec;
    if (fs::exists(m_file, ec)) {
        // Another program wrote a file of this number meanwhile: fail the
        // job rather than replace theirs.
        m_writer->Abort();
        m_writer.reset();
        return Status::IoError("cannot write " + m_file + ": the file appeared meanwhile");
    }
    Status s = m_writer->Commit();
    m_writer.reset();
    return s;
}

void CFolderTransport::Abort()
{
    if (m_writer)
        m_writer->Abort();
    m_writer.reset();
}
