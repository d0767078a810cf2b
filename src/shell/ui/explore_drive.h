// Opens an Explorer window on a drive (0 = A:).
#pragma once

void ExploreDrive(int driveIndex);
