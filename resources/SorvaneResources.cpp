#include "SorvaneResources.h"

#include <QtGlobal>

void initSorvaneResources()
{
    // Stays outside any namespace: the macro declares the rcc-generated
    // registration function in the enclosing scope.
    Q_INIT_RESOURCE(icons);
}
