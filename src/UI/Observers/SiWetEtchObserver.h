#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the wet etching dialog for the current atomistic wet etch and, on OK,
// hands the depth, or the etchant and time, over and finishes it. A
// cancelled dialog leaves the operation waiting.
class SiWetEtchObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

// The observers the factory attaches to the bond-counting and the
// continuous etch; both open the same dialog.
class AtomicSiBCAEtchObserver : public SiWetEtchObserver
{
public:
    using SiWetEtchObserver::SiWetEtchObserver;
};

class CCAWetEtchingObserver : public SiWetEtchObserver
{
public:
    using SiWetEtchObserver::SiWetEtchObserver;
};

} // namespace Observers
} // namespace Ui
