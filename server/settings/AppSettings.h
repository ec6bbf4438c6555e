// The persistent settings of the process, kept in the registry under
// HKEY_CURRENT_USER\Software\Brisquane\Zavetra, one subkey per section and
// one value per setting; the fields below carry the names of their values.
//
// One store is live at a time: the main frame owns it (a member), loads it
// when it is made and saves it when it is destroyed; every other window reads
// and writes it through CAppSettings::Get(). A store becomes live when it is
// constructed and stops being live when it is destroyed (the one live before
// it is live again). When no store exists, Get() gives a process-wide store
// with every default and its derived values made, so windows that run
// without a main frame still see sane values.
//
// The fields carry no lock: the main thread loads, saves and edits them; the
// log thread reads them when it is told to and writes rectangles, options
// words and the recent-find list when its windows close.
#pragma once
#include <windows.h>
#include <array>
#include "framework/Gdi.h"
#include "server/core/Bstr.h"

// The options word of the extract and find dialogs (Common\ExtractDialog,
// Common\FindDialog).
constexpr DWORD DLGOPT_CLIENT        = 0x00000001;
constexpr DWORD DLGOPT_LABEL         = 0x00000002;
constexpr DWORD DLGOPT_OBJECT        = 0x00000004;  // the find dialog stores 0 here
constexpr DWORD DLGOPT_PATH          = 0x00000008;  // clear: Name
constexpr DWORD DLGOPT_ROW_MASK      = 0x000000F0;  // row of the result-view list
constexpr int   DLGOPT_ROW_SHIFT     = 4;
constexpr DWORD DLGOPT_CURRENT_VIEW  = 0x00010000;  // find dialog; clear: Result View
constexpr DWORD DLGOPT_MATCH_OBJECTS = 0x00020000;  // find dialog; clear: Search objects
constexpr DWORD DLGOPT_DEFAULT       = 0x0003000F;

// Number of view slots (view index 0 = log view, 1..7 = result views; the
// eighth result-window slot is never used).
constexpr int SETTINGS_VIEW_SLOTS = 8;
constexpr int SETTINGS_HIGHLIGHTS = 8;
constexpr int RECENT_FIND_COUNT   = 16;

// Window\ObjInfoWindow: 28 bytes.
struct ObjInfoWindowPlacement {
    RECT rcWindow;          // normal-position rectangle, empty: not stored yet
    UINT nLeftPaneWidth;    // 0 stands for 150
    UINT nFirstColumn1;     // 0: the width the list was created with
    UINT nFirstColumn2;     // likewise for the second list
};
static_assert(sizeof(ObjInfoWindowPlacement) == 28, "Window\\ObjInfoWindow is 28 bytes");

class CAppSettings {
public:
    CAppSettings();          // every field at its default; becomes the live store
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    // The live store (see above).
    static CAppSettings& Get();

    // Reads every value (a missing one, or a binary one of another size than
    // its own, gives the default) and makes the derived values.
    // Throws CExcept(11) when a recent-find text cannot be had.
    void LoadSettings();
    // Writes every value back; failed writes are ignored.
    void SaveSettings() const;
    // Records a searched text: moved (or put) at the front of the list.
    // Throws CExcept(11) when the text cannot be had.
    void AddRecentFind(LPCWSTR pszText);
    // Index of the entry equal to pszText (exact, case-sensitive), or -1.
    int FindRecentFind(LPCWSTR pszText) const;

    // Every field back to its default (derived values untouched).
    void SetDefaults();
    // Makes the colours, brushes, image list and wheel value from the system
    // and the current fields.
    void MakeDerivedValues();
    // The default font: height -12, weight 400, DEFAULT_CHARSET, "MS UI Gothic".
    static LOGFONTW DefaultFont();

    // --- section Settings (32-bit integers, not range-checked) ---------------
    struct SettingsSection {
        int NestLevel;
        int NestLevel_Max;
        int NestLevel_Min;
        int ArrayRange;
        int ArrayRange_Max;
        int ArrayRange_Min;
        int TreeViewExpand;
        int TreeViewExpand_Max;
        int TreeViewExpand_Min;
    } Settings;

    // --- section Font (binary) ------------------------------------------------
    struct FontSection {
        LOGFONTW LogView;
        LOGFONTW ResultView;
        LOGFONTW ExtractDialog;
        LOGFONTW ObjInfoWindow;
        LOGFONTW FindDialog;
        LOGFONTW MoveFindDialog;
        COLORREF Highlight[SETTINGS_HIGHLIGHTS];
        COLORREF Color[2];   // [0] warning colour, [1] object-information colour
    } Font;

    // --- section Window (binary) ----------------------------------------------
    struct WindowSection {
        RECT Main;
        RECT LogView;
        RECT ExtractDialog;
        RECT ResultView[SETTINGS_VIEW_SLOTS];      // result window n at n - 1
        RECT FindDialog[SETTINGS_VIEW_SLOTS];      // by view index
        RECT MoveFindDialog[SETTINGS_VIEW_SLOTS];  // by view index
        ObjInfoWindowPlacement ObjInfoWindow;
    } Window;

    // --- section Common (binary) ----------------------------------------------
    struct CommonSection {
        DWORD ExtractDialog;                       // options word
        DWORD FindDialog[SETTINGS_VIEW_SLOTS];     // options word by view index
        // Most recent first; empty texts stand at the end and mark free places.
        std::array<CBstr, RECENT_FIND_COUNT> RecentFind;
    } Common;

    // --- derived values (made by LoadSettings, never saved) ------------------
    COLORREF WindowTextColor = 0;
    COLORREF WindowColor = 0;
    COLORREF SelectionBkColor = 0;     // COLOR_HIGHLIGHT + 1 as a 32-bit number
    COLORREF SelectionTextColor = 0;
    CBrush WarningBrush;               // Font.Color[0]
    CBrush ObjInfoBrush;               // Font.Color[1]
    CBrush WindowBrush;                // WindowColor
    CImageList CheckImageList;         // bitmap 134, images 16 wide
    UINT WheelScrollLines = 3;

    // Replaces a shared brush by a solid one of clr (the new brush is in place
    // before the old one is deleted).
    static void ReplaceBrush(CBrush& brush, COLORREF clr);

private:
    struct FallbackTag {};
    explicit CAppSettings(FallbackTag);
    void ReadRecentFind();
    void WriteRecentFind() const;

    // The stores alive, newest first: the newest is the live one.
    CAppSettings* m_pOlder = nullptr;
    CAppSettings* m_pNewer = nullptr;
    bool m_bRegistered = false;
    static CAppSettings* s_pLive;
};
