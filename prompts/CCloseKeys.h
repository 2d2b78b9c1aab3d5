#pragma once

class QWidget;

// Esc and Ctrl+W close a window that is no dialog, as they close a dialog.
class CCloseKeys
{
public:
    static void install(QWidget *window);
};
