#include "view/SaveUndo.h"

#include <sys/stat.h>
#include <utility>

#include "plotlib/AtomicFile.h"

namespace {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

} // namespace

CSaveUndo::CSaveUndo() = default;

CSaveUndo::~CSaveUndo() { Clear(); }

void CSaveUndo::Clear()
{
    m_path.clear();
    m_position = 0;
    for (auto& copy : m_copies)
        copy.reset();
}

void CSaveUndo::Reset(const std::string& path)
{
    Clear();
    m_path = path;
    Push();
}

void CSaveUndo::Push()
{
    if (m_path.empty())
        return;
    // Read before touching the position: an unreadable file changes nothing.
    std::string bytes;
    if (!ReadWholeFile(m_path, bytes))
        return;

    ++m_position;
    if (m_position > kCapacity) {
        for (int i = 1; i < kCapacity; ++i)
            m_copies[static_cast<size_t>(i - 1)] = std::move(m_copies[static_cast<size_t>(i)]);
        m_position = kCapacity;
    }
    m_copies[static_cast<size_t>(m_position - 1)] = std::move(bytes);
}

bool CSaveUndo::CanUndo() const { return m_position > 1; }

bool CSaveUndo::CanRedo() const
{
    return m_position < kCapacity && m_copies[static_cast<size_t>(m_position)].has_value();
}

bool CSaveUndo::Undo()
{
    if (!CanUndo() || !WriteCopy(m_position - 2))
        return false;
    --m_position;
    return true;
}

bool CSaveUndo::Redo()
{
    if (!CanRedo() || !WriteCopy(m_position))
        return false;
    ++m_position;
    return true;
}

// Writes copy `slot` over the file through a temporary file, so a full disk
// or a crash half way leaves the file as it was rather than cut short.
bool CSaveUndo::WriteCopy(int slot)
{
    if (m_path.empty() || !FileExists(m_path))
        return false;
    const auto& copy = m_copies[static_cast<size_t>(slot)];
    if (!copy)
        return false;
    return WriteFileAtomically(m_path, *copy).ok();
}
