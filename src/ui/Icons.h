#pragma once

#include <QIcon>

#include "model/Task.h"

// The pictures of the window: the desktop icon theme's where it has them (the program's own icon, the
// run states, groups), otherwise drawn at run time, so that the program ships no image files. The action
// pictures of tasks are always drawn: no freedesktop name means backup, synchronize or move.
namespace Icons {

QIcon Application();
// A task by its action (backup, synchronize, move).
QIcon TaskAction(TTaskAction action);
// The state pictures of the task list: running, paused and error flag.
QIcon Running();
QIcon Paused();
QIcon ErrorFlag();
QIcon Group();
QIcon AllTasks();

}  // namespace Icons
