#pragma once
// A dialog built from a template, run modally by its own message loop so
// that the dialog sees every message of its thread first (PreTranslateMessage).
// Derived classes handle messages in OnMessage with a plain switch.
#include "framework/Win32.h"

class CDialog {
public:
    explicit CDialog(UINT templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog, owned by owner, and runs it until EndDialog;
    // returns EndDialog's result, or -1 when the window could not be created.
    // A dialog given no owner is owned by a hidden window of its own for the
    // run, so that no task bar shows a button for it.
    INT_PTR DoModal(HWND owner = nullptr);
    // Ends the modal run. When the thread's outermost dialog ends, every
    // loop that runs inside its run ends too: its nested dialogs, the
    // system's message boxes (by the quit it posts) and a menu the thread
    // tracks (ended as such: a menu's loop may drop the quit).
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return window_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Called before a message is dispatched; true swallows it. The thread's
    // outermost dialog is called for every message of its thread, also while
    // a box runs a loop of its own: a nested dialog of ours (which is called
    // after it), a message box, a menu (whose keys and mouse are the menu's
    // own and are not shown to it). A nested dialog is called for the
    // messages of its own loop. A posted WM_DESTROY or WM_NCDESTROY, to any
    // window of the thread, is dropped before it gets here.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // True when the message was handled; result is then the message's answer.
    // A WM_DESTROY or WM_NCDESTROY that is not the window's own destruction
    // (posted by anyone) never gets here.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND window_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
    // This run has ended, or the run of the thread's outermost dialog has.
    bool Ended() const;
    // The outermost dialog's pre-translation, then this dialog's own.
    BOOL PreTranslateOnThread(MSG* msg);
    void Destroy();

    UINT templateId_;
    bool ended_ = false;
    bool destroying_ = false;
    INT_PTR result_ = 0;
};
