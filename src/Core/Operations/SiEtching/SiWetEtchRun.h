#pragma once

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace Operations {

class SiWetEtchEngine;

// Runs a wet etch on a volume the way both the operations and the batch
// steps do: the lattice is rebuilt first when the workspace marks it out of
// date (or the volume has none, or was moved), otherwise the last etch's
// lattice is kept; afterwards the lattice counts as current.
class SiWetEtchRun
{
public:
    // False when the lattice did not fit in memory; the cells are then unchanged.
    static bool run(Workspace *workspace, Model::Automaton::TotalVolume &volume, SiWetEtchEngine &engine);
};

} // namespace Operations
} // namespace Core
