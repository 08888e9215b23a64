#pragma once
// Small helpers every test may use.

#include <QString>

// Folder of the fixtures next to the running test's sources.
QString TestDataPath(const QString& name);
// The source and build trees, for tests that run the project's own programs.
QString SourcePath(const QString& relative);
QString BinaryPath(const QString& relative);
