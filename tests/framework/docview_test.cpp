// Documents, frames and views made by a template; command routing, command
// states at idle and in menus; the form view.
#include "TestApp.h"
#include "framework_test_res.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

std::vector<std::string> g_receivers;
bool g_docDeleted = false;
int g_initialUpdates = 0;

constexpr UINT ID_VIEW_ONLY = 40001, ID_DOC_ONLY = 40002, ID_FRAME_ONLY = 40003, ID_APP_ONLY = 40004,
               ID_VIEW_AND_FRAME = 40005, ID_DOC_AND_FRAME = 40006, ID_NOBODY = 40007;

class CRouteDoc : public CDocument {
    DECLARE_DYNCREATE(CRouteDoc)
public:
    ~CRouteDoc() override { g_docDeleted = true; }
protected:
    bool OnCmd(UINT nID, int) override {
        if (nID != ID_DOC_ONLY && nID != ID_DOC_AND_FRAME) return false;
        g_receivers.push_back("doc");
        return true;
    }
};
IMPLEMENT_DYNCREATE(CRouteDoc, CDocument)

class CRouteView : public CView {
    DECLARE_DYNCREATE(CRouteView)
public:
    void OnInitialUpdate() override { ++g_initialUpdates; CView::OnInitialUpdate(); }
protected:
    bool OnCmd(UINT nID, int) override {
        if (nID != ID_VIEW_ONLY && nID != ID_VIEW_AND_FRAME) return false;
        g_receivers.push_back("view");
        return true;
    }
    bool OnUpdateCmd(CCmdUI* ui) override {
        if (ui->m_nID != ID_VIEW_ONLY) return false;
        ui->SetCheck(1);
        return true;
    }
};
IMPLEMENT_DYNCREATE(CRouteView, CView)

class CRouteFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CRouteFrame)
public:
    CStatusBar m_wndStatusBar;
    int m_nUpdates = 0;
protected:
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        switch (m) {
        case WM_CREATE: return OnCreate(reinterpret_cast<LPCREATESTRUCT>(l));
        }
        return CFrameWnd::WindowProc(m, w, l);
    }
    int OnCreate(LPCREATESTRUCT cs) {
        if (CFrameWnd::OnCreate(cs) == -1) return -1;
        static const UINT indicators[] = {ID_SEPARATOR, IDS_FWTEST_PANE};
        if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 2)) return -1;
        return 0;
    }
    bool OnCmd(UINT nID, int) override {
        if (nID != ID_FRAME_ONLY && nID != ID_VIEW_AND_FRAME && nID != ID_DOC_AND_FRAME) return false;
        g_receivers.push_back("frame");
        return true;
    }
    bool OnUpdateCmd(CCmdUI* ui) override {
        switch (ui->m_nID) {
        case IDS_FWTEST_PANE: {
            std::wstring text = L"idle " + std::to_wstring(++m_nUpdates);
            ui->SetText(text.c_str());
            return true;
        }
        case ID_FRAME_ONLY:
            ui->Enable(FALSE);
            return true;
        }
        return false;
    }
};
IMPLEMENT_DYNCREATE(CRouteFrame, CFrameWnd)

class DocViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_receivers.clear();
        g_docDeleted = false;
        g_initialUpdates = 0;
        theApp.m_commands.clear();
        m_template = new CSingleDocTemplate(IDR_FWTEST_DOC, RUNTIME_CLASS(CRouteDoc), RUNTIME_CLASS(CRouteFrame),
                                            RUNTIME_CLASS(CRouteView));
        m_doc = m_template->OpenDocumentFile(nullptr);
        ASSERT_NE(nullptr, m_doc);
        ASSERT_EQ(1u, m_doc->GetViews().size());
        m_view = m_doc->GetViews().front();
        m_frame = dynamic_cast<CRouteFrame*>(m_view->GetParentFrame());
        ASSERT_NE(nullptr, m_frame);
    }
    void TearDown() override {
        if (m_frame && !g_docDeleted) ::SendMessageW(m_frame->m_hWnd, WM_CLOSE, 0, 0);
        delete m_template;
        theApp.m_pMainWnd = nullptr;
    }
    CSingleDocTemplate* m_template = nullptr;
    CDocument* m_doc = nullptr;
    CView* m_view = nullptr;
    CRouteFrame* m_frame = nullptr;
};

}  // namespace

TEST_F(DocViewTest, TemplateMakesDocumentFrameAndViewFromItsString) {
    EXPECT_EQ(m_frame, theApp.m_pMainWnd);  // the thread's first frame
    EXPECT_EQ(m_doc, m_frame->GetActiveDocument());
    EXPECT_EQ(m_view, m_frame->GetActiveView());
    EXPECT_EQ(m_doc, m_view->GetDocument());
    EXPECT_EQ(m_template, m_doc->GetDocTemplate());
    EXPECT_EQ(L"TestDoc", m_doc->GetTitle());            // the new-file name field
    EXPECT_EQ(L"TestDoc - Test Frame", m_frame->GetWindowText());
    EXPECT_EQ(1, g_initialUpdates);
    EXPECT_EQ(AFX_IDW_PANE_FIRST, static_cast<UINT>(m_view->GetDlgCtrlID()));
    EXPECT_TRUE(m_frame->IsWindowVisible());

    // The view fills the client area above the status bar.
    RECT client, view, bar;
    m_frame->GetClientRect(&client);
    m_view->GetWindowRect(&view);
    m_frame->m_wndStatusBar.GetWindowRect(&bar);
    EXPECT_EQ(client.right - client.left, view.right - view.left);
    EXPECT_EQ(client.bottom - client.top, (view.bottom - view.top) + (bar.bottom - bar.top));
    EXPECT_EQ(view.bottom, bar.top);
}

TEST_F(DocViewTest, CommandsAreRoutedViewDocumentFrameApplication) {
    struct Row { UINT id; std::vector<std::string> receivers; bool toApp; };
    const Row rows[] = {
        {ID_VIEW_ONLY, {"view"}, false},
        {ID_DOC_ONLY, {"doc"}, false},
        {ID_FRAME_ONLY, {"frame"}, false},
        {ID_APP_ONLY, {}, true},
        {ID_VIEW_AND_FRAME, {"view"}, false},
        {ID_DOC_AND_FRAME, {"doc"}, false},
        {ID_NOBODY, {}, false},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        g_receivers.clear();
        theApp.m_commands.clear();
        ::SendMessageW(m_frame->m_hWnd, WM_COMMAND, MAKEWPARAM(rows[i].id, 0), 0);
        EXPECT_EQ(rows[i].receivers, g_receivers) << "row " << i;
        EXPECT_EQ(rows[i].toApp, !theApp.m_commands.empty()) << "row " << i;
    }
}

TEST_F(DocViewTest, IdleUpdatesTheBarsAndMenusAskTheRoute) {
    EXPECT_EQ(L"PANE-WIDTH", m_frame->m_wndStatusBar.GetPaneText(1));  // the indicator's own string
    theApp.OnIdle(0);
    EXPECT_EQ(L"idle 1", m_frame->m_wndStatusBar.GetPaneText(1));
    EXPECT_FALSE(theApp.OnIdle(1));  // nothing more to do after the first pass
    theApp.OnIdle(0);
    EXPECT_EQ(L"idle 2", m_frame->m_wndStatusBar.GetPaneText(1));

    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, ID_FRAME_ONLY, L"frame");
    ::AppendMenuW(menu, MF_STRING, ID_VIEW_ONLY, L"view");
    ::AppendMenuW(menu, MF_STRING, ID_NOBODY, L"nobody");
    ::SendMessageW(m_frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(::GetMenuState(menu, ID_FRAME_ONLY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(0u, ::GetMenuState(menu, ID_NOBODY, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
    ::DestroyMenu(menu);
}

TEST_F(DocViewTest, ClosingTheFrameClosesTheDocument) {
    HWND frame = m_frame->m_hWnd, view = m_view->m_hWnd;
    ::SendMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(g_docDeleted);
    EXPECT_FALSE(::IsWindow(frame));
    EXPECT_FALSE(::IsWindow(view));
    EXPECT_EQ(nullptr, m_template->GetFirstDocPosition());
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    m_frame = nullptr;
}

TEST_F(DocViewTest, UpdateAllViewsSkipsTheSender) {
    struct Hint : CObject {} hint;
    class CHintView : public CView {
    public:
        CObject* got = nullptr;
        LPARAM lHint = -1;
        void OnUpdate(CView*, LPARAM l, CObject* p) override { lHint = l; got = p; }
    };
    auto* other = new CHintView;
    CCreateContext ctx;
    ctx.m_pCurrentDoc = m_doc;
    RECT rc{0, 0, 10, 10};
    ASSERT_TRUE(other->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, rc, m_frame, 1234, &ctx));
    ASSERT_EQ(2u, m_doc->GetViews().size());
    m_doc->UpdateAllViews(m_view, 5, &hint);
    EXPECT_EQ(5, other->lHint);
    EXPECT_EQ(&hint, other->got);
    other->lHint = -1;
    m_doc->UpdateAllViews(other, 6, nullptr);
    EXPECT_EQ(-1, other->lHint);
    other->DestroyWindow();  // the view deletes itself and leaves the document
    EXPECT_EQ(1u, m_doc->GetViews().size());
    EXPECT_FALSE(g_docDeleted);
}

TEST(DocTemplate, ADocumentThatCannotBeReadIsReported) {
    g_docDeleted = false;
    CSingleDocTemplate tmpl(IDR_FWTEST_DOC, RUNTIME_CLASS(CRouteDoc), RUNTIME_CLASS(CRouteFrame),
                            RUNTIME_CLASS(CRouteView));
    DialogCloser closer(::GetCurrentThreadId(), IDOK);
    EXPECT_EQ(nullptr, tmpl.OpenDocumentFile(L"Z:\\no\\such\\folder\\file.zvd"));
    EXPECT_EQ(L"Zavetra", closer.Caption());
    EXPECT_EQ(L"Failed to open document.", closer.Text());
    EXPECT_TRUE(g_docDeleted);
    EXPECT_EQ(nullptr, tmpl.GetFirstDocPosition());
    theApp.m_pMainWnd = nullptr;

    std::wstring s;
    EXPECT_TRUE(tmpl.GetDocString(s, CDocTemplate::windowTitle));
    EXPECT_EQ(L"Test Frame", s);
    EXPECT_TRUE(tmpl.GetDocString(s, CDocTemplate::docName));
    EXPECT_EQ(L"", s);
    EXPECT_FALSE(tmpl.GetDocString(s, CDocTemplate::regFileTypeId));
}

namespace {

std::vector<std::pair<UINT, int>> g_formCommands;

class CTestForm : public CFormView {
    DECLARE_DYNCREATE(CTestForm)
public:
    CTestForm() : CFormView(IDD_FWTEST_FORM) {}
    void OnInitialUpdate() override {
        CFormView::OnInitialUpdate();
        GetParentFrame()->RecalcLayout();
        ResizeParentToFit(TRUE);
    }
protected:
    bool OnCmd(UINT nID, int nCode) override {
        g_formCommands.emplace_back(nID, nCode);
        return true;
    }
};
IMPLEMENT_DYNCREATE(CTestForm, CFormView)

}  // namespace

TEST(FormView, ControlsNotifyTheFormAndTheFrameShrinksToTheTemplate) {
    g_formCommands.clear();
    g_docDeleted = false;
    CSingleDocTemplate tmpl(IDR_FWTEST_DOC, RUNTIME_CLASS(CRouteDoc), RUNTIME_CLASS(CFrameWnd),
                            RUNTIME_CLASS(CTestForm));
    CDocument* doc = tmpl.OpenDocumentFile(nullptr);
    ASSERT_NE(nullptr, doc);
    auto* form = dynamic_cast<CTestForm*>(doc->GetViews().front());
    ASSERT_NE(nullptr, form);
    CFrameWnd* frame = form->GetParentFrame();
    ASSERT_NE(nullptr, frame);

    HWND edit = form->GetDlgItem(IDC_FWTEST_FORMEDIT);
    HWND button = form->GetDlgItem(IDC_FWTEST_BUTTON);
    ASSERT_NE(nullptr, edit);
    ASSERT_NE(nullptr, button);
    EXPECT_TRUE(form->GetStyle() & WS_CHILD);

    RECT view;
    form->GetWindowRect(&view);
    EXPECT_EQ(form->GetTemplateSize().cx, view.right - view.left);
    EXPECT_EQ(form->GetTemplateSize().cy, view.bottom - view.top);

    ::SendMessageW(button, BM_CLICK, 0, 0);
    ::SetWindowTextW(edit, L"12");
    auto has = [](UINT id, int code) {
        return std::find(g_formCommands.begin(), g_formCommands.end(), std::make_pair(id, code)) != g_formCommands.end();
    };
    EXPECT_TRUE(has(IDC_FWTEST_BUTTON, BN_CLICKED));
    EXPECT_TRUE(has(IDC_FWTEST_FORMEDIT, EN_CHANGE));

    // Dialog keys reach the form through the thread's pre-translation.
    MSG tab{edit, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(theApp.PreTranslateMessage(&tab));

    ::SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(g_docDeleted);
    theApp.m_pMainWnd = nullptr;
}
