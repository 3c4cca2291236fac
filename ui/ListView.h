#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "catalog/DownloadLists.h"

// Thin typed helpers over the list view messages.

// Adds the columns; each width is the list's client width * share / 1032.
void InsertColumns(HWND list, const std::vector<ListColumn>& columns);
void InsertRow(HWND list, int index, const std::string& text, int image, LPARAM data);
void SetCell(HWND list, int row, int column, const std::string& text, int image);
std::string CellText(HWND list, int row, int column);
LPARAM ItemData(HWND list, int row);
std::vector<LPARAM> SelectedItemData(HWND list);
// The row holding this item data, or -1.
int FindRowByData(HWND list, LPARAM data);
