// CSaveUndo: file-level undo for the preview's edits. Every edit rewrites
// the previewed plot file at once, so undo works on the file itself: the
// store keeps whole byte copies of the file taken after each undoable edit,
// and Undo or Redo writes one of them back over the file (the caller then
// reloads the preview from disk).
//
// Position counts the copies up to and including the file's current state:
// copy position - 1 is what the file holds now, copies from position upward
// are what Redo can bring back. At most kCapacity copies are kept; past that
// the oldest is dropped for each new one.
//
// Owned by the preview canvas; GUI thread only. Copies live in memory only.
#pragma once

#include <array>
#include <optional>
#include <string>

class CSaveUndo {
public:
    static constexpr int kCapacity = 100;

    CSaveUndo();
    virtual ~CSaveUndo();
    CSaveUndo(const CSaveUndo&) = delete;
    CSaveUndo& operator=(const CSaveUndo&) = delete;

    // Forgets the file and every copy.
    void Clear();
    // Follows `path` from now on, with its current bytes as the first copy.
    // A missing or unreadable file leaves the store empty (position 0).
    void Reset(const std::string& path);
    // Appends a copy of the file's current bytes; copies above the new
    // position stay, so a Redo after Undo and a new edit is still possible.
    // Does nothing when there is no path or the file cannot be read.
    void Push();

    bool CanUndo() const;
    bool CanRedo() const;
    // Write the previous (next) copy back over the file. A file that has
    // gone, or a write that fails, leaves the file and the position as they
    // were. True when the file was rewritten.
    bool Undo();
    bool Redo();

    const std::string& GetPath() const { return m_path; }
    int GetPosition() const { return m_position; }

private:
    bool WriteCopy(int slot);

    std::string m_path;
    std::array<std::optional<std::string>, kCapacity> m_copies;
    int m_position = 0;
};
