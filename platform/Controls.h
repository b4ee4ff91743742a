// Dialog controls: push buttons, check boxes, group boxes, static texts and drop-down combo boxes.
// Each keeps its state (checked, items with their data, selection) for the dialog that owns it.
#pragma once

#include "platform/Window.h"

// Button styles (the low four bits are the kind).
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_FLAT = 0x8000;

// Static styles.
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_BLACKRECT = 0x4;

// Combo-box styles.
constexpr DWORD CBS_DROPDOWNLIST = 0x3;

// Button messages and states.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;

// Combo-box messages, results and notifications.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;

constexpr INT IDOK = 1;
constexpr INT IDCANCEL = 2;

// BM_SETCHECK on the dialog's control `id`.
BOOL CheckDlgButton(HWND dialog, INT id, UINT check);
// BM_GETCHECK on the dialog's control `id`; BST_UNCHECKED when there is none.
UINT IsDlgButtonChecked(HWND dialog, INT id);
// Registers the common control classes; the stand-in only counts the calls.
void InitCommonControls();

namespace PlatformControls {
int InitCommonControlsCount();
}  // namespace PlatformControls
