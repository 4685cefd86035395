#pragma once

#include <QString>
#include <array>

class TTask;

// Path variables: names between percent signs ("%Destination%", "%Date%", "%HOME%", ...) that
// ExpandTaskPath replaces in the paths of a task.

struct TFolderVariableDef {
    const char* Name;
    int Code;
};

// Task variables, in the order they are replaced (codes 14 to 19 do not exist).
extern const std::array<TFolderVariableDef, 43> kTaskVariables;
// Special folders with the shell's folder identifiers; see SystemInfo::SpecialFolderPath.
extern const std::array<TFolderVariableDef, 30> kSpecialFolderVariables;

// The value of a variable that has none, and of a reference nested too deep.
inline const QString kVariableErrorMark = QStringLiteral("\\\\\\ERROR!\\\\\\");

// Replaces in order: task variables, numbered source variables (%Source2% ...), environment variables,
// special folders. Each token is searched without regard to case and only its first occurrence is
// replaced. A blank text is returned unchanged.
QString ExpandTaskPath(const TTask& task, const QString& text);

// The value of one task variable; sourceIndex selects the source folder for codes 0 to 3. Unknown
// codes, codes without a value for the destination kind, and the 16th nested evaluation in one thread
// give kVariableErrorMark. Date and time values come from DateTime::Now().
QString EvaluateTaskVariable(const TTask& task, int code, int sourceIndex);
