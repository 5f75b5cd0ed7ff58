#pragma once

#include <QLoggingCategory>

// Diagnostic categories; filter them with QT_LOGGING_RULES, for example
// "kestrum.process.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)   // kestrum.catalogue
Q_DECLARE_LOGGING_CATEGORY(lcProcess)     // kestrum.process
Q_DECLARE_LOGGING_CATEGORY(lcUndo)        // kestrum.undo
Q_DECLARE_LOGGING_CATEGORY(lcPersistence) // kestrum.persistence
Q_DECLARE_LOGGING_CATEGORY(lcView)        // kestrum.view
Q_DECLARE_LOGGING_CATEGORY(lcBatch)       // kestrum.batch
Q_DECLARE_LOGGING_CATEGORY(lcOperation)   // kestrum.operation
