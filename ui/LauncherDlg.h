#pragma once
#include <windows.h>
#include <commctrl.h>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Handles.h"
#include "catalog/DownloadLists.h"
#include "catalog/Refresh.h"
#include "launch/EventCommands.h"
#include "launch/LaunchSequence.h"
#include "ui/Dialog.h"
#include "ui/FlatButton.h"

// The main window: owns the launcher's state for the life of the program and
// maps the user's clicks to the operations of the subsystems.
class CLauncherDlg : public CDialog {
public:
    // Settles folders, league, installation number and profiles.
    // modulePath and documentsFolder are the launcher's path and the user's
    // documents folder (empty when unknown).
    CLauncherDlg(const std::string& modulePath, const std::string& documentsFolder);
    ~CLauncherDlg() override;

    LauncherEnvironment& Environment() { return state_.env; }
    const LauncherState& State() const { return state_; }
    // The address the events file is fetched from.
    const std::string& EventsAddress() const { return state_.localEvent.File; }

    // The event of the first selected row, or the local entry.
    RaceEvent* GetSelectedEvent();
    // Rebuilds the five download lists from the catalog and league records.
    void FillDownloadLists();
    // The selected event's button states and partner-league cars and setups.
    void LoadLeagueContent(bool fetch);
    // The Refresh command: profiles, the refresh with fetching, bookmarks.
    void RefreshCommand();
    // Installs or removes items of one category through the install pipeline.
    void InstallItems(const std::vector<ContentItem*>& items, const std::string& categoryWord, bool remove);
    // Ctrl+A (select = true) or Ctrl+I typed anywhere in the window.
    void OnSelectAllKey(bool select);
    // The launch commands on the selected event.
    void PrepareAndLaunch(bool ask, bool start);
    // Replace the shell and the sim's start (tests).
    void SetShellOpener(ShellOpener open) { openAddress_ = std::move(open); }
    void SetProgramStarter(std::function<StartedProgram(const std::string&, const std::string&)> start)
    {
        startProgram_ = std::move(start);
    }
    // A join link: its event is selected and launched after the start-up
    // refresh, or once the command that runs has ended.
    void HandJoinLink(const std::string& link);
    // Replaces how race servers are asked (tests).
    void SetStatusQuery(StatusQuery query) { hooks_.query = std::move(query); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT* result) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) override;
    void OnDestroy() override;
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFonts();
    void SetUpTabs();
    void SetUpEventList();
    void LoadBanners();
    void SetUpColumns();
    void DressButtons();
    void ReadSpectatorState();
    void RestoreColumnWidths();
    // Widens the columns the driver has not sized to their longest text.
    void FitColumnsToRows();
    void SaveColumnWidths();

    void RunRefresh(bool fetch);
    void ShowEventRows();
    void FillDownloadList(const DownloadListSpec& list);

    LRESULT OnListCustomDraw(NMLVCUSTOMDRAW* draw);
    void OnListColumnClick(int listId, int column);
    void OnEventSelectionChanged();
    void OnTabChanged();
    void OnDownloadsToggle();
    void OnSpectatorToggle();
    void OnOptions();
    void OnFolderLabelClick();
    void ApplySelectAll();

    // The content commands on the selected rows of one download list.
    void DownloadSelected(const DownloadListSpec& list, bool remove);
    void MarkSelectedAsCurrent(const DownloadListSpec& list);
    void CopyShortcut(const DownloadListSpec& list);
    // Checks the installed files of the selected rows, or of every installed row.
    void VerifySelected(const DownloadListSpec& list);
    // Checks the installed files of what the selected event's race uses.
    void VerifyEventItems();
    std::vector<ContentItem*> SelectedItems(const DownloadListSpec& list) const;
    void OnListRightClick(const DownloadListSpec& list, int row);
    void ShowAndRepaint();

    // The event list's right-click menu and its commands.
    void OnEventRightClick(int row);
    void RunJoinLink();
    void AssignProfileToEvent();

    HWND List(int id) const { return Item(id); }
    int CurrentTab() const;
    HFONT FontFor(RowFont font) const;

    LauncherState state_;
    RefreshHooks hooks_;
    ShellOpener openAddress_ = ShellOpen;
    std::function<StartedProgram(const std::string&, const std::string&)> startProgram_ = StartProgram;
    bool initialised_ = false;
    int eventListFullHeight_ = 0;
    int pendingLinkId_ = 0;          // the event of a join link that waits to run
    ULONGLONG lastRefreshTick_ = 0;
    std::vector<int> describedWidths_;
    std::vector<int> fittedWidths_;  // per event column: the width fitted to its texts, 0 once the driver sized it  // remembered the first time the download area changes

    GdiObject boldFont_, italicFont_, boldItalicFont_, smallFont_;
    GdiObject backgroundBrush_;
    HIMAGELIST tabImages_ = nullptr;
    std::vector<std::unique_ptr<CFlatButton>> buttons_;
    CLinkStatic folderLabel_;
};
