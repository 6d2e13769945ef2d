// The language choice: what it stores, the restart it offers (through the
// application's restart seam, so the test run goes on), the restart refused
// during a plot job, and a main window built in Simplified Chinese from the
// compiled catalogs. Each test puts Setting.ini and the locale back.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <wx/choicdlg.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/tooltip.h>
#include <wx/translation.h>

#include "GuiTestSupport.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "app/gui/PlotvaneTaskBarIcon.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"

namespace {

// Answers the language dialog: picks item `index`, or cancels when negative.
// Also checks that the dialog offers the five languages under its caption.
class ChooseLanguage : public wxExpectModalBase<wxSingleChoiceDialog, ChooseLanguage> {
public:
    explicit ChooseLanguage(int index) : m_index(index) {}

protected:
    int OnInvoked(wxSingleChoiceDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), wxGetTranslation("Language"));
        if (m_index < 0)
            return wxID_CANCEL;
        dialog->SetSelection(m_index);
        return wxID_OK;
    }

private:
    int m_index;
};

// Answers a message box with `answer` after checking its text: the
// translation of `key` in the language in force when the box is shown, or
// `exact` when given.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    ExpectMessage(const char* key, int answer, const wxString& exact = wxString())
        : m_key(key), m_answer(answer), m_exact(exact)
    {
    }

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetMessage(), m_exact.empty() ? wxGetTranslation(m_key) : m_exact);
        return m_answer;
    }

private:
    wxString m_key;
    int m_answer;
    wxString m_exact;
};

const char kRestartQuestion[] = "Would you restart the application now?";

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class LanguageTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The build puts the catalogs beside the test executable.
        const wxString exeDir = wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath();
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(exeDir + "/Language");
    }

    void SetUp() override
    {
        m_savedIni = ReadFileBytes(GetIniPath());
        m_form = CreateMainForm();
        m_restarts.clear();
        wxGetApp().m_restartHook = [this](const wxString& exe) { m_restarts.push_back(exe); };
    }

    void TearDown() override
    {
        DestroyMainForm(m_form);
        wxGetApp().m_restartHook = nullptr;
        std::ofstream(GetIniPath(), std::ios::binary | std::ios::trunc) << m_savedIni;
        wxGetApp().SelectLanguage(true);  // back to the run's language
    }

    MainForm* m_form = nullptr;
    std::string m_savedIni;
    std::vector<wxString> m_restarts;
};

} // namespace

TEST_F(LanguageTest, JapaneseIsStoredEvenWhenTheRestartIsDeclined)
{
    // The question already comes in the new language.
    wxTEST_DIALOG(SendCommand(m_form, cmd::Language), ChooseLanguage(3),
                  ExpectMessage(kRestartQuestion, wxID_NO,
                                wxString::FromUTF8("今すぐアプリケーションを再起動しますか？")));
    EXPECT_EQ(GetIniInt("Global", "Language", 0), 110);
    EXPECT_TRUE(m_restarts.empty());
    EXPECT_FALSE(m_form->IsBeingDeleted());
}

TEST_F(LanguageTest, EachItemStoresItsOwnId)
{
    const int ids[] = {56, 44, 45, 110, 210};
    for (int i = 0; i < 5; ++i) {
        wxTEST_DIALOG(wxGetApp().SelectLanguage(false), ChooseLanguage(i),
                      ExpectMessage(kRestartQuestion, wxID_NO));
        EXPECT_EQ(GetIniInt("Global", "Language", 0), ids[i]) << "item " << i;
    }
}

TEST_F(LanguageTest, CancellingChangesNothing)
{
    SetIniInt("Global", "Language", 210);
    const std::string before = ReadFileBytes(GetIniPath());
    wxTEST_DIALOG(SendCommand(m_form, cmd::Language), ChooseLanguage(-1));
    EXPECT_EQ(ReadFileBytes(GetIniPath()), before);
    EXPECT_TRUE(m_restarts.empty());
}

TEST_F(LanguageTest, YesRestartsTheProgramsOwnExecutable)
{
    wxTEST_DIALOG(SendCommand(m_form, cmd::Language), ChooseLanguage(4),
                  ExpectMessage(kRestartQuestion, wxID_YES));
    EXPECT_EQ(GetIniInt("Global", "Language", 0), 210);
    ASSERT_EQ(m_restarts.size(), 1u);
    EXPECT_EQ(m_restarts[0], wxStandardPaths::Get().GetExecutablePath());
}

TEST_F(LanguageTest, RestartIsRefusedWhilePlotting)
{
    m_form->SimulatePlotJobForTests(true);
    wxTEST_DIALOG(SendCommand(m_form, cmd::Language), ChooseLanguage(1),
                  ExpectMessage(kRestartQuestion, wxID_YES),
                  ExpectMessage("can not exit because ploting", wxID_OK));
    EXPECT_TRUE(m_restarts.empty());
    // The choice itself is kept for the next start.
    EXPECT_EQ(GetIniInt("Global", "Language", 0), 44);
}

TEST_F(LanguageTest, TrayExitIsRefusedWhilePlotting)
{
    m_form->SimulatePlotJobForTests(true);
    wxCommandEvent exitItem(wxEVT_MENU, cmd::TrayExit);
    wxTEST_DIALOG(m_form->GetTaskBarIcon()->ProcessEvent(exitItem),
                  ExpectMessage("can not exit because ploting", wxID_OK));
    PumpEvents();
    EXPECT_FALSE(m_form->IsBeingDeleted());
    EXPECT_TRUE(m_form->IsShown());
}

TEST_F(LanguageTest, StoredSimplifiedChineseShowsChineseTexts)
{
    SetIniInt("Global", "Language", 44);
    wxGetApp().SelectLanguage(true);
    MainForm* chinese = CreateMainForm();
    EXPECT_EQ(chinese->GetTitle(), wxString::FromUTF8("Plotvane 绘图中心"));
    wxWindow* button = chinese->FindWindow(cmd::Language);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetToolTipText(), wxString::FromUTF8("选择语言"));
    DestroyMainForm(chinese);
}
