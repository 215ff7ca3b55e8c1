#ifndef WINDOWDUMP_H
#define WINDOWDUMP_H

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

// What a window consists of, as facts the fidelity test compares with the
// product's tables: every named widget and layout with its class, parent,
// geometry, size limits, style sheet, texts and state, the stacking order
// of each container, and the sizes of the pictures compiled in.
namespace WindowDump {

// The description as compact JSON.
QByteArray describe(QWidget *window);

// Prints the description of `window` on standard output.
void print(QWidget *window);

// Runs the event loop until `done` holds or `timeoutMs` passes.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 30000);

}

#endif
