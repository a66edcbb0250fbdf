#pragma once

class CTabBrowserWnd;

// The fourteen browser commands that gestures, rocker clicks and key commands run (ids 0 to
// 13 of settings::Command), performed on the browser window of one tab. Other ids do nothing.
void RunBrowserCommand(CTabBrowserWnd* browser, int command);

// Runs it once the current event has been handled: a command may close the tab whose input
// widget is delivering the event, or open a modal dialog.
void PostBrowserCommand(CTabBrowserWnd* browser, int command);
