#pragma once
// Station documents: the model, the station file, the playlist exports and the
// stream kinds. (Being built.)

#include <QString>
