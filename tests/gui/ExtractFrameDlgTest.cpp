// Outline extraction from the main window: button 10063 on a queued marker
// runs the progress dialog and its worker to the end, the outer outlines
// get the chosen pen in the preview and in the rewritten plot file, and a
// cancel answered Yes leaves the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <wx/choice.h>
#include <wx/listctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/gui/PlotvaneApp.h"
#include "geometry/gui/ExtractFrameDlg.h"
#include "geometry/OutlineExtractor.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Devices.h"
#include "plotlib/Polyline.h"
#include "view/gui/PlotterView.h"

namespace fs = std::filesystem;

namespace {

const char* const kMarker = "sds_Basic_Pants_marker.plt";

// Stands in for the modal loop of the extraction dialog, which a test
// cannot leave running: the dialog is shown, and events are pumped until
// its worker has ended the run, exactly as the real loop would dispatch
// them. With a cancel answer (wxID_YES or wxID_NO), the worker is held
// before it starts and the Cancel button's question is asked first and
// answered here, as the question comes while this hook is busy.
class RunExtractDialog : public wxModalDialogHook {
public:
    explicit RunExtractDialog(int cancelAnswer = wxID_NONE) : m_cancelAnswer(cancelAnswer)
    {
        Register();
    }

    bool asked = false;

    bool sawDialog = false;
    bool finished = false;
    bool cancelled = false;
    bool closeRefused = false;
    bool wroteOk = false;

protected:
    int Enter(wxDialog* dialog) override
    {
        if (auto* question = dynamic_cast<wxMessageDialog*>(dialog)) {
            EXPECT_EQ(question->GetMessage(), "Be sure to cancel current task ?");
            EXPECT_EQ(question->GetTitle(), "Information");
            asked = true;
            return m_cancelAnswer;
        }
        auto* extract = dynamic_cast<CExtractFrameDlg*>(dialog);
        if (!extract)
            return wxID_NONE;
        sawDialog = true;
        EXPECT_EQ(extract->GetId(), 10064);
        if (m_cancelAnswer != wxID_NONE) {
            extract->GetControl().Hold();
            extract->RequestCancel();
        }
        extract->Show();
        // The close box is refused while the worker runs.
        closeRefused = !extract->Close(false) && extract->IsWorkerRunning();
        finished = PumpUntil([extract] { return !extract->IsWorkerRunning(); }, 60000);
        cancelled = extract->WasCancelled();
        wroteOk = extract->GetWriteStatus().ok();
        extract->Hide();
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}

private:
    int m_cancelAnswer;
};

int CountPen(const CPolylineIArray& drawing, int pen)
{
    int count = 0;
    for (int i = 0; i < drawing.GetCount(); ++i)
        count += drawing.GetPolyline(i)->GetPenNo() == pen ? 1 : 0;
    return count;
}

class ExtractFrameDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / kMarker, Path());
        m_savedPlotPath = wxGetApp().m_plotPath;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        m_form = CreateMainForm();
        m_form->BindPlotListEvents();
        m_list = m_form->GetPlotList();
    }
    void TearDown() override
    {
        DestroyMainForm(m_form);
        wxGetApp().m_plotPath = m_savedPlotPath;
    }

    fs::path Path() const { return fs::path(m_folder.Path()) / kMarker; }

    // Queues the marker and selects its row, so that the preview shows it.
    void QueueAndSelect()
    {
        wxListCtrl* files = m_form->GetFileList();
        const long file = files->FindItem(-1, kMarker);
        ASSERT_GE(file, 0);
        files->SetItemState(file, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        SendCommand(m_form, cmd::AddSelected);
        PumpEvents();
        const long row = m_list->FindItem(-1, kMarker);
        ASSERT_GE(row, 0);
        m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        PumpEvents();
        ASSERT_EQ(m_form->GetPlotterView()->GetFileName(), kMarker);
    }

    CPolylineIArray LoadFromDisk() const
    {
        CPolylineIArray drawing;
        PlotQueue::Measure(Path().string(), false, false, *GetPlotter(), drawing);
        return drawing;
    }

    TempDir m_folder;
    wxString m_savedPlotPath;
    MainForm* m_form = nullptr;
    wxListCtrl* m_list = nullptr;
};

}  // namespace

TEST_F(ExtractFrameDlgTest, OuterOutlinesGetTheChosenPenInPreviewAndFile)
{
    QueueAndSelect();
    for (int choice : {0, 1}) {
        SCOPED_TRACE(choice);
        m_form->GetExtractPenChoice()->SetSelection(choice);
        const int pen = ExtractPenForChoice(*GetPlotter(), choice);
        CPolylineIArray expected = m_form->GetPlotterView()->GetDrawing();
        const ExtractResult want = COutlineExtractor().Run(expected, pen);
        ASSERT_GT(want.outerOutlines, 0);

        RunExtractDialog hook;
        SendCommand(m_form, cmd::Outline);
        EXPECT_TRUE(hook.sawDialog);
        EXPECT_TRUE(hook.finished);
        EXPECT_TRUE(hook.closeRefused);
        EXPECT_FALSE(hook.cancelled);
        EXPECT_TRUE(hook.wroteOk);

        const CPolylineIArray& shown = m_form->GetPlotterView()->GetDrawing();
        ASSERT_EQ(shown.GetCount(), expected.GetCount());
        for (int i = 0; i < shown.GetCount(); ++i)
            ASSERT_EQ(shown.GetPolyline(i)->GetPenNo(), expected.GetPolyline(i)->GetPenNo()) << "polyline " << i;
        const CPolylineIArray onDisk = LoadFromDisk();
        ASSERT_EQ(onDisk.GetCount(), expected.GetCount());
        EXPECT_EQ(CountPen(onDisk, pen), CountPen(expected, pen));
        EXPECT_NE(ReadFileBytes(Path()).find("SP" + std::to_string(pen)), std::string::npos);
    }
}

TEST_F(ExtractFrameDlgTest, CancelAnsweredYesLeavesFileAndDrawingAlone)
{
    QueueAndSelect();
    const std::string before = ReadFileBytes(Path());
    const CPolylineIArray drawingBefore = m_form->GetPlotterView()->GetDrawing();
    m_form->GetExtractPenChoice()->SetSelection(0);

    RunExtractDialog hook(wxID_YES);
    SendCommand(m_form, cmd::Outline);
    EXPECT_TRUE(hook.asked);
    EXPECT_TRUE(hook.finished);
    EXPECT_TRUE(hook.cancelled);
    EXPECT_EQ(ReadFileBytes(Path()), before);
    const CPolylineIArray& shown = m_form->GetPlotterView()->GetDrawing();
    ASSERT_EQ(shown.GetCount(), drawingBefore.GetCount());
    for (int i = 0; i < shown.GetCount(); ++i)
        ASSERT_EQ(shown.GetPolyline(i)->GetPenNo(), drawingBefore.GetPolyline(i)->GetPenNo());
}

TEST_F(ExtractFrameDlgTest, CancelAnsweredNoCompletesTheRun)
{
    QueueAndSelect();
    const std::string before = ReadFileBytes(Path());
    m_form->GetExtractPenChoice()->SetSelection(1);
    const int pen = ExtractPenForChoice(*GetPlotter(), 1);

    RunExtractDialog hook(wxID_NO);
    SendCommand(m_form, cmd::Outline);
    EXPECT_TRUE(hook.asked);
    EXPECT_TRUE(hook.finished);
    EXPECT_FALSE(hook.cancelled);
    EXPECT_NE(ReadFileBytes(Path()).find("SP" + std::to_string(pen)), std::string::npos);
    EXPECT_GT(CountPen(LoadFromDisk(), pen), 0);
}

TEST_F(ExtractFrameDlgTest, AddingExtractsForDevicesThatAskAndKeepsTheFileUpright)
{
    // Queued once without extraction, then marked rotated, then added again
    // for a device that extracts on adding: the file gets the pens but not
    // the row's rotation, which is applied only when plotting.
    QueueAndSelect();
    const long row = m_list->FindItem(-1, kMarker);
    ASSERT_GE(row, 0);
    m_list->SetItem(row, ColRotate, "Yes");
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    LoadFromDisk().GetBoundRect(minX, minY, maxX, maxY);
    const int width = maxX - minX;
    const int height = maxY - minY;

    PLOTTERCONFIG* config = GetPlotter();
    ASSERT_NE(config, nullptr);
    const bool savedExtract = config->extractOnAdd;
    config->extractOnAdd = true;
    m_form->GetExtractPenChoice()->SetSelection(0);
    const int pen = ExtractPenForChoice(*config, 0);
    {
        RunExtractDialog hook;
        wxListCtrl* files = m_form->GetFileList();
        const long file = files->FindItem(-1, kMarker);
        ASSERT_GE(file, 0);
        files->SetItemState(file, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        SendCommand(m_form, cmd::AddSelected);
        PumpEvents();
        EXPECT_TRUE(hook.sawDialog);
        EXPECT_TRUE(hook.finished);
        EXPECT_TRUE(hook.wroteOk);
    }
    config->extractOnAdd = savedExtract;

    const CPolylineIArray onDisk = LoadFromDisk();
    EXPECT_GT(CountPen(onDisk, pen), 0);
    onDisk.GetBoundRect(minX, minY, maxX, maxY);
    EXPECT_EQ(maxX - minX, width);
    EXPECT_EQ(maxY - minY, height);
}
