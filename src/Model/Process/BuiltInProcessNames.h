#pragma once

namespace Model {
namespace Process {

// The names of the process catalogue's built-in processes. The process
// table's menu, operation and list names reuse them where they are the same
// words, so each name is written here only.
struct BuiltInProcessNames
{
    static constexpr char siWetEtching[] = "Si Wet Etching";
    static constexpr char drie[] = "DRIE";
    static constexpr char cvd[] = "CVD";
    static constexpr char pvd[] = "PVD";
    static constexpr char filmEtching[] = "Film Etching";
    static constexpr char photolithography[] = "Photolithography";
    static constexpr char planarization[] = "Planarization";
    static constexpr char spinCoating[] = "Spin Coating / Soft Lithography";
    static constexpr char isotropicDeposition[] = "Isotropic Deposition";
    static constexpr char isotropicEtching[] = "Isotropic Etching";
    static constexpr char electroplating[] = "Electroplating";
    static constexpr char simpleSiOxidation[] = "Simple Si Oxidation";
};

} // namespace Process
} // namespace Model
