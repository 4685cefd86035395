#pragma once

#include <QString>
#include <initializer_list>

// Fills a message format in the style of the message texts: every "%s" and "%d" takes the next
// argument in order, "%%" is a percent sign. The texts may come from a language file, so a format with
// more placeholders than arguments gets empty texts for the extra ones, and surplus arguments are dropped.
QString FormatText(const QString& format, std::initializer_list<QString> args);
