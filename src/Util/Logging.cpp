#include "Logging.h"

Q_LOGGING_CATEGORY(lcCatalogue, "kestrum.catalogue", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProcess, "kestrum.process", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUndo, "kestrum.undo", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPersistence, "kestrum.persistence", QtInfoMsg)
Q_LOGGING_CATEGORY(lcView, "kestrum.view", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBatch, "kestrum.batch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcOperation, "kestrum.operation", QtInfoMsg)
