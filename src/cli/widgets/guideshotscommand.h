#pragma once

namespace plx::cli {

// plx guide-shots --db FICHIER --out DOSSIER: the user guide's pictures, one PNG per
// screen at 1366×768, drawn offscreen from the program itself on the demo network (the
// file is made the demo network when it does not exist yet).
int guideShotsMain(int argc, char **argv);

} // namespace plx::cli
