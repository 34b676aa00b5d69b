#pragma once

class QDialog;
class QString;

// What the workbench's secondary windows share: a size, a title, the drawer window type (value 7, not Qt::Tool),
// staying on top, and no modality, so that the main window stays usable beside them.
class ToolDialog
{
public:
    static void setUp(QDialog *dialog, int width, int height, const QString &title);
};
