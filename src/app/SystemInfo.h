#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

#include <QString>

#include <qt_windows.h>

class QWidget;

namespace tarnwell::app {

// Starts the system-information program that Windows registers under "Shared Tools", or says
// that it is unavailable. Nothing in the program offers it: the About window has no control for it.
void StartSysInfo(QWidget* parent = nullptr);

// Reads the string value `SubKeyRef` of the key `KeyName` under `KeyRoot` into `KeyVal`. False,
// with `KeyVal` empty, when the key or value is missing, is not text or does not fit 1024
// characters (its terminating NUL, when stored, included).
bool GetKeyValue(HKEY KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

} // namespace tarnwell::app

#endif
