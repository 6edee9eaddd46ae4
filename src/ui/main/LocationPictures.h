#pragma once
// The pictures beside the data-location choices: a screen for the PC and a cloud with the
// client's initial for each cloud storage client. Drawn in the program's colours, so they stay
// sharp at any scale; no client's own artwork is used.

#include "app/DataLocation.h"

#include <QPixmap>

QPixmap DataPlacePicture(TDataPlace place, int size);
