#pragma once

namespace Core {

// Names every kind of process the program knows, whether a menu action
// starts it, a process list carries it, or both. The process table
// (ProcessTable) holds everything else about a kind: its numbers, its texts,
// its parameters and the functions that build and run it.
enum class ProcessKey {
    Copy,
    CreateSubstrate,
    IonImplantation,
    Delete,
    ViewingOptions,
    Move,
    ExtractFilm,
    Save,
    SaveAs,
    Open,
    Glue,
    Cvd,
    IsotropicEtching,
    Electroplating,
    Cut,
    Doping,
    MooreDeposition,
    MooreEtching,
    Photolithography,
    Planarization,
    SpinCoating,
    BatchRun,
    SiOxidation,
    Pvd,
    SiWetEtching,
    ContinuousWetEtching,
    SimpleRie,
    ModelExtraction,
    SaveImage,
    DiffusionDoping,
    DeepRie,
};

} // namespace Core
