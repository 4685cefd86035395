#pragma once

class QWidget;

// Overwrites the designed texts of a window from the loaded language file; nothing happens when no
// language file is loaded. The section is the window's object name cut before its first underscore
// (F); for every object below the window that has an object name C, in creation order:
//   F.C.Caption         the text of a button, label, action or menu, the title of a group box, a tool
//                       bar or a wizard page, the tab text of a tab page (trimmed value not empty);
//   F.C.Hint            the tool tip (and an action's status tip);
//   F.C.lines[i]        line i of a multi-line text box (any value but "fsdef", an empty one too);
//   F.C.items[i]        entry i of a radio button group (a QButtonGroup, entries in id order);
//   F.C.Items[i]        entry i of a drop-down list;
//   F.C.Columns[i].Caption  the header of column i of a list or table view.
// F.Caption is the window title. Only existing lines, entries and columns are translated.
void TranslateForm(QWidget* window);
