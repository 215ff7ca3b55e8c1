#ifndef MACHINE_H
#define MACHINE_H

#include <QString>

namespace Machine {

// The processor as "[cores]name"; false when the system could not be asked.
bool processorDescription(QString *text);

}

#endif
