#include "song/song_data.h"

SongData songData;
