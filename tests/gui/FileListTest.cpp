// The main window's file list on a real temporary plot folder: following
// the folder without Refresh (new, deleted and still-written files, changes
// held during a plot job), sorting, Prev and Next, the search box, and the
// Delete key.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"

namespace fs = std::filesystem;

namespace {

const wxColour kOdd(255, 255, 204);

void WriteBytes(const std::string& path, std::size_t size)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

class FileListTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedPlotPath = wxGetApp().m_plotPath;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
    }
    void TearDown() override
    {
        DestroyMainForm(m_form);
        wxGetApp().m_plotPath = m_savedPlotPath;
    }

    void Open()
    {
        m_form = CreateMainForm();
        m_list = m_form->GetFileList();
    }

    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (long row = 0; row < m_list->GetItemCount(); ++row)
            texts.emplace_back(m_list->GetItemText(row, column).utf8_str());
        return texts;
    }

    long Row(const std::string& name) const
    {
        return m_list->FindItem(-1, wxString::FromUTF8(name));
    }

    std::vector<long> Selected() const
    {
        std::vector<long> rows;
        long row = -1;
        while ((row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) != -1)
            rows.push_back(row);
        return rows;
    }

    void ClickColumn(int column)
    {
        wxListEvent event(wxEVT_LIST_COL_CLICK, cmd::FileList);
        event.m_col = column;
        event.SetEventObject(m_list);
        m_list->ProcessWindowEvent(event);
    }

    void PressDelete()
    {
        wxListEvent event(wxEVT_LIST_KEY_DOWN, cmd::FileList);
        event.m_code = WXK_DELETE;
        event.SetEventObject(m_list);
        m_list->ProcessWindowEvent(event);
    }

    void SearchKey(int key)
    {
        auto* box = static_cast<wxTextCtrl*>(m_form->FindWindow(cmd::Search));
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = key;
        event.SetEventObject(box);
        box->ProcessWindowEvent(event);
    }

    // Item data and stripes as every change of the rows must leave them.
    void ExpectRowsInOrder() const
    {
        for (long row = 0; row < m_list->GetItemCount(); ++row) {
            EXPECT_EQ(m_list->GetItemData(row), static_cast<wxUIntPtr>(row));
            if (row % 2)
                EXPECT_EQ(m_list->GetItemBackgroundColour(row), kOdd) << row;
            else
                EXPECT_NE(m_list->GetItemBackgroundColour(row), kOdd) << row;
        }
    }

    TempDir m_folder;
    MainForm* m_form = nullptr;
    wxListCtrl* m_list = nullptr;
    wxString m_savedPlotPath;
};

} // namespace

TEST_F(FileListTest, FollowsTheFolderWithoutRefresh)
{
    WriteBytes(m_folder.File("back.plt"), 1000);
    Open();
    ASSERT_EQ(Column(0), std::vector<std::string>{"back.plt"});
    EXPECT_EQ(Column(1), std::vector<std::string>{"1,000"});

    // A copied file appears, in its subfolder, without pressing Refresh.
    fs::create_directories(m_folder.File("order7"));
    fs::copy_file(PLOTVANE_SAMPLES_DIR "/hp2xx_fill.plt", m_folder.File("order7/front.plt"));
    EXPECT_TRUE(PumpUntil([&] { return m_list->GetItemCount() == 2; }, 2000));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"back.plt", "order7/front.plt"}));
    ExpectRowsInOrder();

    // A file deleted from outside disappears.
    fs::remove(m_folder.File("back.plt"));
    EXPECT_TRUE(PumpUntil([&] { return m_list->GetItemCount() == 1; }, 2000));
    EXPECT_EQ(Column(0), std::vector<std::string>{"order7/front.plt"});

    // A file still being written is listed once its writer closes it.
    {
        std::ofstream writer(m_folder.File("slow.plt"));
        writer << "IN;SP1;";
        writer.flush();
        PumpEvents();
        wxMilliSleep(300);
        PumpEvents();
        EXPECT_EQ(Row("slow.plt"), -1);
        writer << "PU0,0;PD100,0;";
    }
    EXPECT_TRUE(PumpUntil([&] { return Row("slow.plt") != -1; }, 2000));
}

TEST_F(FileListTest, ChangesDuringAPlotJobAreHeldUntilItEnds)
{
    Open();
    m_form->SimulatePlotJobForTests(true);
    WriteBytes(m_folder.File("queued.plt"), 10);
    // Refresh is refused too while the job runs.
    SendCommand(m_form, cmd::Refresh);
    EXPECT_FALSE(PumpUntil([&] { return m_list->GetItemCount() > 0; }, 600));
    m_form->SimulatePlotJobForTests(false);
    EXPECT_TRUE(PumpUntil([&] { return m_list->GetItemCount() == 1; }, 2000));
}

TEST_F(FileListTest, ColumnClicksSortAndAlternate)
{
    WriteBytes(m_folder.File("b.plt"), 1000);
    WriteBytes(m_folder.File("A.plt"), 999);
    WriteBytes(m_folder.File("c.plt"), 5);
    Open();

    ClickColumn(1);  // by size, numbers not texts
    EXPECT_EQ(Column(1), (std::vector<std::string>{"5", "999", "1,000"}));
    ExpectRowsInOrder();
    ClickColumn(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"1,000", "999", "5"}));
    ExpectRowsInOrder();

    ClickColumn(0);  // another column starts ascending, ignoring case
    EXPECT_EQ(Column(0), (std::vector<std::string>{"A.plt", "b.plt", "c.plt"}));
    ClickColumn(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c.plt", "b.plt", "A.plt"}));
    ExpectRowsInOrder();

    // A refresh (the watch, the auto-plot tick) keeps the order and the
    // selection, with a new file in its sorted place.
    m_list->SetItemState(Row("b.plt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    WriteBytes(m_folder.File("d.plt"), 10);
    SendCommand(m_form, cmd::Refresh);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"d.plt", "c.plt", "b.plt", "A.plt"}));
    EXPECT_EQ(Selected(), (std::vector<long>{2}));
    ExpectRowsInOrder();
}

TEST_F(FileListTest, PrevAndNextStayWithinTheList)
{
    for (const char* name : {"a.plt", "b.plt", "c.plt"})
        WriteBytes(m_folder.File(name), 1);
    Open();
    ASSERT_EQ(m_list->GetItemCount(), 3);

    SendCommand(m_form, cmd::PrevFile);  // no selection: the first row
    EXPECT_EQ(Selected(), std::vector<long>{0});
    SendCommand(m_form, cmd::PrevFile);
    EXPECT_EQ(Selected(), std::vector<long>{0});
    SendCommand(m_form, cmd::NextFile);
    EXPECT_EQ(Selected(), std::vector<long>{1});
    SendCommand(m_form, cmd::NextFile);
    SendCommand(m_form, cmd::NextFile);  // the last row keeps the selection
    EXPECT_EQ(Selected(), std::vector<long>{2});
    SendCommand(m_form, cmd::PrevFile);
    EXPECT_EQ(Selected(), std::vector<long>{1});
}

TEST_F(FileListTest, SearchHighlightsMovesAndEnterSelects)
{
    for (const char* name : {"back.plt", "Sleeve-left.plt", "sleeve-right.plt", "yoke.plt"})
        WriteBytes(m_folder.File(name), 1);
    Open();
    auto* box = static_cast<wxTextCtrl*>(m_form->FindWindow(cmd::Search));
    ASSERT_TRUE(box);

    box->SetValue("SLEE");
    const long left = Row("Sleeve-left.plt");
    ASSERT_EQ(left, 1);
    EXPECT_EQ(m_list->GetItemBackgroundColour(left), wxColour(0, 0, 255));
    EXPECT_EQ(m_list->GetItemTextColour(left), *wxWHITE);

    SearchKey(WXK_DOWN);
    EXPECT_EQ(m_list->GetItemBackgroundColour(2), wxColour(0, 0, 255));
    EXPECT_EQ(m_list->GetItemBackgroundColour(1), kOdd);  // stripe back
    SearchKey(WXK_DOWN);
    SearchKey(WXK_DOWN);  // stops at the last row
    EXPECT_EQ(m_list->GetItemBackgroundColour(3), wxColour(0, 0, 255));
    SearchKey(WXK_UP);
    EXPECT_EQ(m_list->GetItemBackgroundColour(2), wxColour(0, 0, 255));

    // Enter selects the found row (and queues it) and restores the stripes.
    SendCommand(m_form, cmd::Search, wxEVT_TEXT_ENTER);
    EXPECT_EQ(Selected(), std::vector<long>{2});
    ExpectRowsInOrder();
    EXPECT_EQ(m_list->GetItemTextColour(2), *wxBLACK);

    // Nothing found: nothing highlighted, and Enter selects nothing new.
    box->SetValue("zz");
    for (long row = 0; row < m_list->GetItemCount(); ++row)
        EXPECT_NE(m_list->GetItemBackgroundColour(row), wxColour(0, 0, 255));
}

TEST_F(FileListTest, DeleteKeyAsksAndRemovesFilesFromDisk)
{
    WriteBytes(m_folder.File("keep.plt"), 1);
    WriteBytes(m_folder.File("order/gone.plt"), 1);
    WriteBytes(m_folder.File("order/also-gone.plt"), 1);
    Open();
    ASSERT_EQ(m_list->GetItemCount(), 3);
    m_list->SetItemState(Row("order/gone.plt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    m_list->SetItemState(Row("order/also-gone.plt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);

    wxTEST_DIALOG(PressDelete(), wxExpectModal<wxMessageDialog>(wxNO));
    EXPECT_TRUE(fs::exists(m_folder.File("order/gone.plt")));
    EXPECT_EQ(m_list->GetItemCount(), 3);

    wxTEST_DIALOG(PressDelete(), wxExpectModal<wxMessageDialog>(wxYES));
    EXPECT_FALSE(fs::exists(m_folder.File("order/gone.plt")));
    EXPECT_FALSE(fs::exists(m_folder.File("order/also-gone.plt")));
    EXPECT_TRUE(fs::exists(m_folder.File("keep.plt")));
    EXPECT_EQ(Column(0), std::vector<std::string>{"keep.plt"});
    ExpectRowsInOrder();

    // No selection: no question at all (an unexpected dialog fails the test).
    m_list->SetItemState(0, 0, wxLIST_STATE_SELECTED);
    EXPECT_TRUE(Selected().empty());
    PressDelete();
}
