// CObject's runtime class, CCmdTarget's dispatch and CCmdUI's default items.
#include "framework/Object.h"

const CRuntimeClass* CObject::GetThisClass() {
    static const CRuntimeClass rc{"CObject", nullptr, nullptr};
    return &rc;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return GetThisClass(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (nCode == CN_UPDATE_COMMAND_UI) {
        auto* ui = static_cast<CCmdUI*>(pExtra);
        if (!ui) return FALSE;
        ui->m_bContinueRouting = false;
        if (!OnUpdateCmd(ui)) return FALSE;
        return ui->m_bContinueRouting ? FALSE : TRUE;
    }
    return OnCmd(nID, nCode) ? TRUE : FALSE;
}

bool CCmdUI::DoUpdate(CCmdTarget* target) {
    m_bEnableChanged = false;
    return target && target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
}

void CCmdUI::Enable(BOOL bOn) {
    if (m_hMenu) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_hWndOther) {
        // A control that loses its enabled state must not keep the focus.
        if (!bOn && ::GetFocus() == m_hWndOther) {
            HWND parent = ::GetParent(m_hWndOther);
            if (parent) ::SendMessageW(parent, WM_NEXTDLGCTL, 0, FALSE);
        }
        ::EnableWindow(m_hWndOther, bOn);
    }
    m_bEnableChanged = true;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_hMenu) {
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_hWndOther) {
        if (::SendMessageW(m_hWndOther, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)
            ::SendMessageW(m_hWndOther, BM_SETCHECK, nCheck, 0);
    }
}

void CCmdUI::SetRadio(BOOL bOn) {
    if (m_hMenu) {
        MENUITEMINFOW mii{sizeof(mii)};
        mii.fMask = MIIM_FTYPE | MIIM_STATE;
        if (::GetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii)) {
            mii.fType = bOn ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
            mii.fState = bOn ? (mii.fState | MFS_CHECKED) : (mii.fState & ~MFS_CHECKED);
            ::SetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
        }
    } else {
        SetCheck(bOn ? 1 : 0);
    }
}

void CCmdUI::SetText(LPCWSTR lpszText) {
    if (m_hMenu) {
        MENUITEMINFOW mii{sizeof(mii)};
        mii.fMask = MIIM_STRING;
        mii.dwTypeData = const_cast<LPWSTR>(lpszText ? lpszText : L"");
        ::SetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
    } else if (m_hWndOther) {
        ::SetWindowTextW(m_hWndOther, lpszText ? lpszText : L"");
    }
}
