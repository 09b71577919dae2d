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

    // Creates the dialog and runs it until EndDialog; returns EndDialog's result,
    // or -1 when the window could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return window_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Called for every message the dialog's loop takes from the queue, before
    // it is dispatched; true swallows the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // True when the message was handled; result is then the message's answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND window_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    bool ended_ = false;
    INT_PTR result_ = 0;
};
