#ifndef UPDATETEXTS_H
#define UPDATETEXTS_H

#include <QString>

// What the updater's window says, in Chinese (`zh`) or English.
namespace UpdateTexts {

QString heading(bool zh);
QString updateButton(bool zh);
QString updatingButton(bool zh);
QString finishButton(bool zh);
// The red line after a failed run with error code `err`.
QString failure(int err, bool zh);

}

#endif
