#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "FileSizeLimit.h"
#include "TempDir.h"
#include "plotlib/AtomicFile.h"
#include "view/SaveUndo.h"

namespace {

std::string Content(int edit) { return "IN;SP1;PU0,0;PD" + std::to_string(edit) + ",0;"; }

// Edits are written plainly (no sync) to keep the tests fast.
void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, text).ok());
    return text;
}

// An edit in the preview: the file is rewritten, then a copy is pushed.
void Edit(CSaveUndo& undo, const std::string& path, int edit)
{
    WriteFile(path, Content(edit));
    undo.Push();
}

} // namespace

TEST(SaveUndo, UndoRedoAndEditsAfterUndo)
{
    TempDir dir;
    const std::string path = dir.File("a.plt");
    WriteFile(path, Content(0));
    CSaveUndo undo;
    undo.Reset(path);
    EXPECT_FALSE(undo.CanUndo());  // nothing to undo right after loading
    EXPECT_FALSE(undo.CanRedo());
    Edit(undo, path, 1);
    Edit(undo, path, 2);

    // A pen edit is not pushed: Undo brings back the copy before the last
    // pushed edit and drops the pen edit with it.
    WriteFile(path, "pen edit");
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(ReadFile(path), Content(1));
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(ReadFile(path), Content(0));
    EXPECT_FALSE(undo.Undo());
    ASSERT_TRUE(undo.Redo());
    EXPECT_EQ(ReadFile(path), Content(1));

    // A new edit after Undo keeps the copies above it: Redo still offers the
    // one that was next.
    Edit(undo, path, 3);
    EXPECT_EQ(undo.GetPosition(), 3);
    ASSERT_TRUE(undo.Undo());
    ASSERT_TRUE(undo.Undo());
    Edit(undo, path, 4);
    ASSERT_TRUE(undo.CanRedo());
    ASSERT_TRUE(undo.Redo());
    EXPECT_EQ(ReadFile(path), Content(3));
}

TEST(SaveUndo, KeepsTheLastHundredCopies)
{
    TempDir dir;
    const std::string path = dir.File("a.plt");
    WriteFile(path, Content(0));
    CSaveUndo undo;
    undo.Reset(path);
    for (int edit = 1; edit <= 100; ++edit)
        Edit(undo, path, edit);
    EXPECT_EQ(undo.GetPosition(), CSaveUndo::kCapacity);
    EXPECT_FALSE(undo.CanRedo());  // full, never undone

    int undos = 0;
    while (undo.CanUndo() && undo.Undo())
        ++undos;
    EXPECT_EQ(undos, 99);
    EXPECT_EQ(ReadFile(path), Content(1));  // the loaded state was dropped
}

TEST(SaveUndo, MissingFilesAndOtherFiles)
{
    TempDir dir;
    const std::string path = dir.File("a.plt");
    CSaveUndo undo;
    undo.Reset(path);  // not there
    undo.Push();
    EXPECT_EQ(undo.GetPosition(), 0);

    WriteFile(path, "");  // an empty file is still a copy
    undo.Reset(path);
    Edit(undo, path, 1);
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(ReadFile(path), "");

    // Deleted behind the store's back: Redo does not bring it back.
    std::remove(path.c_str());
    EXPECT_FALSE(undo.Redo());
    EXPECT_EQ(undo.GetPosition(), 1);
    EXPECT_FALSE(std::ifstream(path).good());

    // Showing another file, or the empty view, discards every copy.
    const std::string other = dir.File("b.plt");
    WriteFile(other, "other");
    undo.Reset(other);
    EXPECT_EQ(undo.GetPosition(), 1);
    EXPECT_FALSE(undo.CanRedo());
    undo.Reset("");
    undo.Push();
    EXPECT_EQ(undo.GetPosition(), 0);
}

// A write that fails (a full disk) leaves the file whole and the position
// where it was.
TEST(SaveUndo, FailedWriteChangesNothing)
{
    TempDir dir;
    const std::string path = dir.File("a.plt");
    const std::string big(4096, 'x');
    WriteFile(path, big);
    CSaveUndo undo;
    undo.Reset(path);
    Edit(undo, path, 1);
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(undo.Undo());
    }
    EXPECT_EQ(undo.GetPosition(), 2);
    EXPECT_EQ(ReadFile(path), Content(1));
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(ReadFile(path), big);
}
