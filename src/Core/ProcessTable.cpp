#include "ProcessTable.h"

#include "Core/BatchRun/DeepEtchStep.h"
#include "Core/BatchRun/FilmSteps.h"
#include "Core/BatchRun/PhysicalParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessSteps.h"
#include "Core/BatchRun/StepParameters.h"
#include "Core/BatchRun/SubstrateStep.h"
#include "Core/Operations/BatchRun/SelectVolumesOperation.h"
#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtchingOperation.h"
#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Core/Operations/Document/SaveDocumentAsOperation.h"
#include "Core/Operations/Document/SaveDocumentOperation.h"
#include "Core/Operations/Doping/Diffusion.h"
#include "Core/Operations/Doping/DopingOperation.h"
#include "Core/Operations/Doping/ImplantRange.h"
#include "Core/Operations/Doping/IonImplantationOperation.h"
#include "Core/Operations/Engines/SurfaceFrontProcess.h"
#include "Core/Operations/Film/AnisotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/ElectrodepositionOperation.h"
#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"
#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SpinCoatingOperation.h"
#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskPlacement.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtchingOperation.h"
#include "Core/Operations/SiEtching/AtomisticSiWetEtchingOperation.h"
#include "Core/Operations/SiEtching/ContinousWetEtchOperation.h"
#include "Core/Operations/SiEtching/KohEtchRate.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidationOperation.h"
#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Core/Operations/Substrate/SubstrateBuilder.h"
#include "Core/Operations/Visualization/ChangeTotalVolumeVisualizationOptions.h"
#include "Core/Operations/VolumeEditing/CutCellVolumeOperation.h"
#include "Core/Operations/VolumeEditing/ExtractFilm.h"
#include "Core/Operations/VolumeEditing/GlueSubstrateOperation.h"
#include "Core/Operations/Objects/CopyObject.h"
#include "Core/Operations/Objects/DeleteObject.h"
#include "Core/Operations/Objects/MoveObject.h"
#include "Model/Process/BuiltInProcessNames.h"
#include "Util/BitVector.h"
#include "Util/Vector3D.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <algorithm>

namespace Core {

using namespace Operations;
using BatchRun::ProcessData;
using Kind = ProcessTable::Kind;
using Parameter = ProcessTable::Parameter;
using V = ProcessTable::ValueKind;

namespace {

template <class Op>
ProcessTable::OperationBuilder build()
{
    return [](Workspace *workspace) { return std::make_shared<Op>(workspace); };
}

// A step's value as the setters take it. The table's own defaults always
// convert; a hand-made step that does not gives 0, as a dialog never would.
std::uint32_t uintOf(const ProcessData &step, const char *name)
{
    return step.getParameter(QString::fromLatin1(name)).toUInt();
}

float floatOf(const ProcessData &step, const char *name)
{
    return step.getParameter(QString::fromLatin1(name)).toFloat();
}

double doubleOf(const ProcessData &step, const char *name)
{
    return step.getParameter(QString::fromLatin1(name)).toDouble();
}

// Configurers: what the options observer would pass through the setters
// for the same values, given to the operation `Op`.
template <class Op, class Apply>
ProcessTable::Configurer configure(Apply apply)
{
    return [apply](Operation &operation, const ProcessData &step) {
        if (auto *op = dynamic_cast<Op *>(&operation))
            apply(*op, step);
    };
}

LithographyMask maskOf(const ProcessData &step, const QString &side)
{
    LithographyMask mask;
    const QVariant bits = step.getParameter(side);
    if (bits.canConvert<Util::BitVector>())
        mask.bits = bits.value<Util::BitVector>();
    mask.width = step.getParameter(side + QStringLiteral(" Width")).toUInt();
    mask.height = step.getParameter(side + QStringLiteral(" Height")).toUInt();
    return mask;
}

// The parameters of the steps, with the values their dialogs start from.
QVector<Parameter> materialAnd(std::uint32_t material, std::initializer_list<Parameter> rest)
{
    QVector<Parameter> parameters{{QStringLiteral("MaterialId"), V::UInt, material, false}};
    for (const Parameter &p : rest)
        parameters << p;
    return parameters;
}

QVector<Parameter> maskParameters()
{
    QVector<Parameter> parameters{{QStringLiteral("MaterialId"), V::UInt, 11u, false}};
    for (const QString &side : {QStringLiteral("Bottom Mask"), QStringLiteral("Top Mask")}) {
        parameters << Parameter{side, V::BitVector, QVariant::fromValue(Util::BitVector()), false}
                   << Parameter{side + QStringLiteral(" Height"), V::UInt, 0u, true}
                   << Parameter{side + QStringLiteral(" Width"), V::UInt, 0u, true};
    }
    return parameters;
}

QVector<Parameter> substrateParameters()
{
    const ProcessTable::Range cellSize{SubstrateBuilder::minimumCellSize, SubstrateBuilder::maximumCellSize,
                                       QString::fromUtf8("\xc2\xb5m")};
    // Counts of cells carry their unit but no range of their own: the volume
    // size is bounded by the memory guard, the block by the volume.
    const ProcessTable::Range cells{0.0, 0.0, QStringLiteral("cells")};
    QVector<Parameter> parameters{
        {QStringLiteral("MaterialId"), V::UInt, 1u, false},
        {QStringLiteral("Lower Left Front Corner"), V::Vector3D, QVariant::fromValue(Util::Vector3D()), true,
         {0.0, 0.0, cellSize.unit}},
        {QStringLiteral("Volume Size X"), V::UInt, 100u, true, cells},
        {QStringLiteral("Volume Size Y"), V::UInt, 100u, true, cells},
        {QStringLiteral("Volume Size Z"), V::UInt, 80u, true, cells},
        {QStringLiteral("Cell Size X"), V::Double, 1.0, true, cellSize, true},
        {QStringLiteral("Cell Size Y"), V::Double, 1.0, true, cellSize, true},
        {QStringLiteral("Cell Size Z"), V::Double, 1.0, true, cellSize, true},
        {QStringLiteral("SphericalSubstrate"), V::Bool, false, true},
    };
    const std::pair<const char *, std::uint32_t> box[] = {
        {"Substrate Size X", 100}, {"Substrate Size Y", 100}, {"Substrate Size Z", 30},
        {"Substrate Delta X", 0},  {"Substrate Delta Y", 0},  {"Substrate Delta Z", 0},
        {"Substrate Center X", 0}, {"Substrate Center Y", 0}, {"Substrate Center Z", 0},
        {"Substrate Radius", 50},
    };
    for (const auto &[name, value] : box)
        parameters << Parameter{QString::fromLatin1(name), V::UInt, value, true, cells};
    return parameters;
}

// A parameter of a physical mode: visible, optional, left out of default steps.
Parameter modeParameter(const QString &mode, const char *name, ProcessTable::ValueKind kind, const QVariant &value,
                        const ProcessTable::Range &range, const QStringList &choices = {})
{
    Parameter parameter{QString::fromLatin1(name), kind, value, true, range, true};
    parameter.choices = choices;
    parameter.mode = mode;
    return parameter;
}

// Functions, not constants: the table may be built while other files'
// statics are initialised.
QString celsius()
{
    return QString::fromUtf8("\xc2\xb0" "C");
}

QString perCubicCentimetre()
{
    return QString::fromUtf8("cm\xe2\x81\xbb\xc2\xb3");
}

// "Depth" and the etch by etchant and time of both atomistic etches.
QVector<Parameter> wetEtchParameters(const ProcessTable::Range &length)
{
    using Operations::KohEtchRate;
    using Operations::WetEtchRecipe;
    const QString mode = QStringLiteral("the etch by etchant and time");
    return {{QStringLiteral("Depth"), ProcessTable::ValueKind::Double, 10.0, true, length},
            modeParameter(mode, "Etchant", ProcessTable::ValueKind::String, QStringLiteral("KOH"), {},
                          WetEtchRecipe::names()),
            modeParameter(mode, "Concentration", ProcessTable::ValueKind::Double, 30.0,
                          {KohEtchRate::minimumConcentration, KohEtchRate::maximumConcentration, QStringLiteral("wt %")}),
            modeParameter(mode, "Temperature", ProcessTable::ValueKind::Double, 70.0,
                          {KohEtchRate::minimumTemperature, KohEtchRate::maximumTemperature, celsius()}),
            modeParameter(mode, "Etch Time", ProcessTable::ValueKind::Double, 10.0,
                          {0.0, WetEtchRecipe::maximumMinutes, QStringLiteral("min")}),
            modeParameter(mode, "Rate 100", ProcessTable::ValueKind::Double, 1.0,
                          {0.0, WetEtchRecipe::maximumCustomRate, QString::fromUtf8("\xc2\xb5m/min")})};
}

// The diffusion from a constant surface source of both doping kinds.
QVector<Parameter> diffusionParameters()
{
    using Operations::Diffusion;
    using Operations::DopingLimits;
    const QString mode = QStringLiteral("the diffusion from a surface source");
    return {modeParameter(mode, "Species", ProcessTable::ValueKind::String, QStringLiteral("P"), {},
                          Operations::Dopants::symbols()),
            modeParameter(mode, "Surface Concentration", ProcessTable::ValueKind::Double, 1e20,
                          {DopingLimits::minimumSurface, DopingLimits::maximumSurface, perCubicCentimetre()}),
            modeParameter(mode, "Temperature", ProcessTable::ValueKind::Double, 1000.0,
                          {Diffusion::minimumTemperature, Diffusion::maximumTemperature, celsius()}),
            modeParameter(mode, "Diffusion Time", ProcessTable::ValueKind::Double, 30.0,
                          {0.0, DopingLimits::maximumMinutes, QStringLiteral("min")}),
            modeParameter(mode, "Background Doping", ProcessTable::ValueKind::Double, DopingLimits::defaultBackground,
                          {DopingLimits::minimumBackground, DopingLimits::maximumBackground, perCubicCentimetre()})};
}

QVector<Parameter> implantParameters()
{
    using Operations::Diffusion;
    using Operations::DopingLimits;
    using Operations::ImplantRange;
    const QString mode = QStringLiteral("the implant by species, energy and dose");
    return {modeParameter(mode, "Species", ProcessTable::ValueKind::String, QStringLiteral("B"), {},
                          Operations::Dopants::symbols()),
            modeParameter(mode, "Energy", ProcessTable::ValueKind::Double, 50.0,
                          {ImplantRange::minimumEnergy, ImplantRange::maximumEnergy, QStringLiteral("keV")}),
            modeParameter(mode, "Dose", ProcessTable::ValueKind::Double, 1e15,
                          {0.0, DopingLimits::maximumDose, QString::fromUtf8("cm\xe2\x81\xbb\xc2\xb2")}),
            modeParameter(mode, "Background Doping", ProcessTable::ValueKind::Double, DopingLimits::defaultBackground,
                          {DopingLimits::minimumBackground, DopingLimits::maximumBackground, perCubicCentimetre()}),
            modeParameter(mode, "Anneal Time", ProcessTable::ValueKind::Double, 0.0,
                          {0.0, DopingLimits::maximumMinutes, QStringLiteral("min")}),
            modeParameter(mode, "Anneal Temperature", ProcessTable::ValueKind::Double, 1000.0,
                          {Diffusion::minimumTemperature, Diffusion::maximumTemperature, celsius()})};
}

QVector<Kind> makeKinds()
{
    using K = ProcessKey;
    using Names = Model::Process::BuiltInProcessNames;
    const auto name = [](const char *text) { return QString::fromLatin1(text); };
    const QString none;
    // The ranges of the numeric step parameters: what a user could mean, and
    // what the algorithms still turn into the intended cells.
    const QString micrometres = QString::fromUtf8("\xc2\xb5m");
    const QString cells = QStringLiteral("cells");
    const ProcessTable::Range length{0.0, 1e6, micrometres};
    const ProcessTable::Range cellCount{0.0, 1e6, cells};
    QVector<Kind> kinds;
    const auto operationOnly = [&](K key, std::uint32_t id, const char *menu, const char *name,
                                   ProcessTable::OperationBuilder make) {
        kinds << Kind{key, id, id, ProcessTable::noListCode, QString::fromLatin1(menu), QString::fromLatin1(name),
                      none, none, {}, std::move(make), {}, {}};
    };

    // The volume editing operations: a menu entry and an operation, no process-list code.
    const auto editing = [&](K key, std::uint32_t id, std::uint32_t ownId, const char *menu, const char *name,
                             ProcessTable::OperationBuilder make) {
        kinds << Kind{key, id, ownId, ProcessTable::noListCode, QString::fromLatin1(menu), QString::fromLatin1(name),
                      none, none, {}, std::move(make), {}, {}};
    };

    operationOnly(K::Copy, 1, "Copy", "Copy Objects", build<CopyObject>());
    kinds << Kind{K::CreateSubstrate, 2, 2, 11, QStringLiteral("Create Substrate"), QStringLiteral("Create Substrate"),
                  QStringLiteral("Create Substrate"), none, substrateParameters(), build<CreateSubstrateOperation>(),
                  &BatchRun::SubstrateStep::run,
                  configure<CreateSubstrateOperation>([](CreateSubstrateOperation &op, const ProcessData &s) {
                      const Util::Vector3D corner = s.getParameter(QStringLiteral("Lower Left Front Corner"))
                                                        .value<Util::Vector3D>();
                      const std::uint32_t material = uintOf(s, "MaterialId");
                      const std::uint32_t nx = uintOf(s, "Volume Size X"), ny = uintOf(s, "Volume Size Y"),
                                          nz = uintOf(s, "Volume Size Z");
                      const auto cellSize = [&s](const char *name) {
                          const QVariant value = s.getParameter(QString::fromLatin1(name));
                          return value.isValid() ? value.toFloat() : 1.0f;
                      };
                      op.setCellSize(cellSize("Cell Size X"), cellSize("Cell Size Y"), cellSize("Cell Size Z"));
                      if (s.getParameter(QStringLiteral("SphericalSubstrate")).toBool())
                          op.setSphericalSubstrate(material, nx, ny, nz, corner, uintOf(s, "Substrate Center X"),
                                                   uintOf(s, "Substrate Center Y"), uintOf(s, "Substrate Center Z"),
                                                   uintOf(s, "Substrate Radius"));
                      else
                          op.setBlockSubstrate(material, nx, ny, nz, corner, uintOf(s, "Substrate Delta X"),
                                               uintOf(s, "Substrate Delta Y"), uintOf(s, "Substrate Delta Z"),
                                               uintOf(s, "Substrate Size X"), uintOf(s, "Substrate Size Y"),
                                               uintOf(s, "Substrate Size Z"));
                  }),
                  false, true};
    kinds << Kind{K::IonImplantation, 3, 3, 14, QStringLiteral("Ion Implantation"), QStringLiteral("Ion Implantation"),
                  QStringLiteral("Ion Implantation"), none,
                  QVector<Parameter>{{QStringLiteral("Annealing Distance"), V::Float, 10.0f, true, length},
                                     {QStringLiteral("DopedMaterialId"), V::UInt, 1u, false},
                                     {QStringLiteral("DopingTypeValue"), V::UInt, 0u, false},
                                     {QStringLiteral("Implantation Depth"), V::Float, 10.0f, true, length}}
                      + implantParameters(),
                  build<IonImplantationOperation>(), &BatchRun::ProcessSteps::ionImplantation,
                  configure<IonImplantationOperation>([](IonImplantationOperation &op, const ProcessData &s) {
                      op.setHostMaterial(uintOf(s, "DopedMaterialId"));
                      BatchRun::StepParameters parameters(s);
                      if (const auto recipe = BatchRun::PhysicalParameters::implant(parameters)) {
                          op.setRecipe(*recipe);
                          return;
                      }
                      op.setAnnealingDistance(floatOf(s, "Annealing Distance"));
                      op.setImplantationDepth(floatOf(s, "Implantation Depth"));
                      op.setDopantType(uintOf(s, "DopingTypeValue"));
                  })};
    operationOnly(K::Delete, 4, "Delete", "Delete Objects", build<DeleteObject>());
    operationOnly(K::ViewingOptions, 6, "Change Cell Volume Viewing Options", "Change Visualization",
                  build<ChangeTotalVolumeVisualizationOptions>());
    operationOnly(K::Move, 7, "Move", "Move Objects", build<MoveObject>());
    editing(K::ExtractFilm, 8, 8, "Extract Film", "Extract Film", build<ExtractFilm>());
    operationOnly(K::Save, 9, "Save", "Save document", build<SaveDocumentOperation>());
    operationOnly(K::SaveAs, 10, "Save As ...", "Save Document As", build<SaveDocumentAsOperation>());
    operationOnly(K::Open, 11, "Open", "Open document", build<OpenDocumentOperation>());
    editing(K::Glue, 12, 12, "Glue Substrate", "Glue Volumes", build<GlueSubstrateOperation>());
    kinds << Kind{K::Cvd, 13, 13, 4, name(Names::cvd), name(Names::isotropicDeposition), name(Names::cvd),
                  name(Names::cvd), materialAnd(3, {{QStringLiteral("Thickness"), V::Float, 10.0f, true, length}}),
                  build<IsotropicFilmDepositionOperation>(), &BatchRun::ProcessSteps::cvd,
                  configure<IsotropicFilmDepositionOperation>([](IsotropicFilmDepositionOperation &op, const ProcessData &s) {
                      op.setThickness(floatOf(s, "Thickness"));
                      op.setMaterial(uintOf(s, "MaterialId"));
                  })};
    kinds << Kind{K::IsotropicEtching, 14, 14, 5, name(Names::isotropicEtching), name(Names::isotropicEtching),
                  QStringLiteral("Isotropic etching"), name(Names::isotropicEtching),
                  materialAnd(1, {{QStringLiteral("Depth"), V::Float, 10.0f, true, length}}), build<IsotropicFilmEtchingOperation>(),
                  &BatchRun::ProcessSteps::isotropicEtching,
                  configure<IsotropicFilmEtchingOperation>([](IsotropicFilmEtchingOperation &op, const ProcessData &s) {
                      op.setDepth(floatOf(s, "Depth"));
                      op.setMaterial(uintOf(s, "MaterialId"));
                  })};
    kinds << Kind{K::Electroplating, 15, 15, 7, name(Names::electroplating), name(Names::electroplating),
                  name(Names::electroplating), none,
                  {{QStringLiteral("ConductingMaterialId"), V::UInt, 4u, false},
                   {QStringLiteral("DepositedMaterialId"), V::UInt, 5u, false},
                   {QStringLiteral("Film Thickness"), V::Float, 10.0f, true, length}},
                  build<ElectrodepositionOperation>(), &BatchRun::FilmSteps::electroplating,
                  configure<ElectrodepositionOperation>([](ElectrodepositionOperation &op, const ProcessData &s) {
                      op.setThickness(floatOf(s, "Film Thickness"));
                      op.setMaterial(uintOf(s, "DepositedMaterialId"));
                      op.setConductingMaterial(uintOf(s, "ConductingMaterialId"));
                  })};
    // Cut planes are started by menu id 16 but the operation carries id 2
    // and records nothing.
    editing(K::Cut, 16, 2, "Cut Cell Volume", "Change Cut Planes", build<CutCellVolumeOperation>());
    const auto doping = configure<DopingOperation>([](DopingOperation &op, const ProcessData &s) {
        op.setDepth(floatOf(s, "Doping Depth"));
        if (s.getParameters().contains(QStringLiteral("DopedMaterialId"))) {
            op.setDopantType(uintOf(s, "DopingTypeValue"));
            op.setHostMaterial(uintOf(s, "DopedMaterialId"));
        } else {
            op.setDopantType(uintOf(s, "Doping Type"));
            op.setHostMaterial(uintOf(s, "MaterialId"));
        }
        BatchRun::StepParameters parameters(s);
        if (const auto recipe = BatchRun::PhysicalParameters::diffusion(parameters))
            op.setRecipe(*recipe);
    });
    kinds << Kind{K::Doping, 17, 17, 8, QStringLiteral("Doping"), QStringLiteral("Doping"), QStringLiteral("Doping"), none,
                  materialAnd(1, {{QStringLiteral("Doping Depth"), V::Float, 10.0f, true, length},
                                  {QStringLiteral("Doping Type"), V::UInt, 0u, false}})
                      + diffusionParameters(),
                  build<DopingOperation>(), &BatchRun::ProcessSteps::thermalDoping, doping};
    const auto moore = [](const char *steps) {
        return configure<MooreNeighborhoodOperation>([steps](MooreNeighborhoodOperation &op, const ProcessData &s) {
            op.setSteps(uintOf(s, steps));
            op.setMaterial(uintOf(s, "MaterialId"));
        });
    };
    // Both Moore processes carry one name in messages.
    kinds << Kind{K::MooreDeposition, 18, 18, 2, QStringLiteral("Moore Deposition"), QStringLiteral("Moore film deposition"),
                  QStringLiteral("Moore deposition"), none, materialAnd(4, {{QStringLiteral("Thickness"), V::UInt, 1u, true, cellCount}}),
                  build<MooreNeighborhoodDepositionOperation>(), &BatchRun::FilmSteps::mooreDeposition, moore("Thickness")};
    kinds << Kind{K::MooreEtching, 19, 19, 3, QStringLiteral("Moore Etching"), QStringLiteral("Moore film deposition"),
                  QStringLiteral("Moore etching"), none, materialAnd(4, {{QStringLiteral("Depth"), V::UInt, 1u, true, cellCount}}),
                  build<MooreNeighborhoodEtchingOperation>(), &BatchRun::FilmSteps::mooreEtching, moore("Depth")};
    kinds << Kind{K::Photolithography, 20, 20, 0, name(Names::photolithography), name(Names::photolithography),
                  name(Names::photolithography), none, maskParameters(), build<PhotolithographyOperation>(),
                  &BatchRun::ProcessSteps::photolithography,
                  configure<PhotolithographyOperation>([](PhotolithographyOperation &op, const ProcessData &s) {
                      op.setMaterial(uintOf(s, "MaterialId"));
                      op.setMaskPlacement(Operations::MaskPlacing::fromName(
                                              s.getParameter(QStringLiteral("Mask Placement")).toString())
                                              .value_or(Operations::MaskPlacement::Corner));
                      op.setBottomMask(maskOf(s, QStringLiteral("Bottom Mask")));
                      op.setTopMask(maskOf(s, QStringLiteral("Top Mask")));
                  })};
    kinds << Kind{K::Planarization, 22, 22, 6, name(Names::planarization), name(Names::planarization),
                  name(Names::planarization), none,
                  {{QStringLiteral("Maximum Height"), V::UInt, 0u, true, cellCount},
                   {QStringLiteral("Minimum Height"), V::UInt, 0u, true, cellCount}},
                  build<PlanarizationOperation>(), &BatchRun::FilmSteps::planarization,
                  configure<PlanarizationOperation>([](PlanarizationOperation &op, const ProcessData &s) {
                      op.setMaximumHeight(uintOf(s, "Maximum Height"));
                      op.setMinimumHeight(uintOf(s, "Minimum Height"));
                  })};
    kinds << Kind{K::SpinCoating, 23, 23, 9, QStringLiteral("Spin Coating"), QStringLiteral("Spin Coating"),
                  QStringLiteral("Spin Coating"), none, materialAnd(11, {{QStringLiteral("Maximum Height"), V::UInt, 0u, true, cellCount}}),
                  build<SpinCoatingOperation>(), &BatchRun::FilmSteps::spinCoating,
                  configure<SpinCoatingOperation>([](SpinCoatingOperation &op, const ProcessData &s) {
                      op.setMaterial(uintOf(s, "MaterialId"));
                      op.setHeight(uintOf(s, "Maximum Height"));
                  })};
    operationOnly(K::BatchRun, 24, "Batch Run", "Select volumes", build<SelectVolumesOperation>());
    kinds << Kind{K::SiOxidation, 26, 26, 15, QStringLiteral("Si Oxidation"), name(Names::simpleSiOxidation),
                  QStringLiteral("Si Oxidation"), name(Names::simpleSiOxidation),
                  {{QStringLiteral("Micron Conversion"), V::Double, 1.0, true,
                    {0.01, 1e6, QStringLiteral("scene units per ") + micrometres}},
                   {QStringLiteral("Oxidation Pressure"), V::Double, 1.0, true, {0.0, 25.0, QStringLiteral("atm")}},
                   {QStringLiteral("Oxidation Temperature"), V::Double, 1273.0, true, {273.0, 2000.0, QStringLiteral("K")}},
                   {QStringLiteral("Oxidation Thickness"), V::Double, 10.0, true, length},
                   {QStringLiteral("Oxidation Time"), V::Double, 2.0, true, {0.0, 1e4, QStringLiteral("hours")}},
                   {QStringLiteral("OxidationTimeSet"), V::Bool, false, false},
                   modeParameter(QStringLiteral("the time mode; absent: dry"), "Oxidation Ambient", V::String,
                                 QStringLiteral("dry"), {}, DealGrove::names())},
                  build<SimpleSiOxidationOperation>(), &BatchRun::ProcessSteps::siOxidation,
                  configure<SimpleSiOxidationOperation>([](SimpleSiOxidationOperation &op, const ProcessData &s) {
                      op.setCellUnitsPerMicron(doubleOf(s, "Micron Conversion"));
                      BatchRun::StepParameters parameters(s);
                      if (s.getParameter(QStringLiteral("OxidationTimeSet")).toBool())
                          op.setOxidationConditions(doubleOf(s, "Oxidation Time"), doubleOf(s, "Oxidation Temperature"),
                                                    doubleOf(s, "Oxidation Pressure"),
                                                    BatchRun::PhysicalParameters::ambient(parameters));
                      else
                          op.setThickness(doubleOf(s, "Oxidation Thickness"));
                  })};
    // PVD carries the isotropic deposition's name in messages, but records
    // its own id, in the menu and in a batch alike.
    kinds << Kind{K::Pvd, 27, 27, 12, name(Names::pvd), name(Names::isotropicDeposition), name(Names::pvd),
                  name(Names::pvd),
                  materialAnd(4, {{QStringLiteral("DepositOn"), V::Int, 1, false},
                                  {QStringLiteral("Horizontal to Vertical Ratio"), V::Float, 0.5f},
                                  {QStringLiteral("Thickness"), V::Float, 10.0f, true, length}}),
                  build<AnisotropicFilmDepositionOperation>(), &BatchRun::FilmSteps::pvd,
                  configure<AnisotropicFilmDepositionOperation>([](AnisotropicFilmDepositionOperation &op,
                                                                   const ProcessData &s) {
                      op.setThickness(floatOf(s, "Thickness"));
                      op.setRatio(floatOf(s, "Horizontal to Vertical Ratio"));
                      op.setDepositOn(uintOf(s, "DepositOn"));
                      op.setMaterial(uintOf(s, "MaterialId"));
                  })};
    const auto wetEtch = configure<SiWetEtchOperation>([](SiWetEtchOperation &op, const ProcessData &s) {
        BatchRun::StepParameters parameters(s);
        if (const auto recipe = BatchRun::PhysicalParameters::wetEtch(parameters))
            op.setRecipe(*recipe);
        else
            op.setDepth(doubleOf(s, "Depth"));
    });
    kinds << Kind{K::SiWetEtching, 28, 28, 1, name(Names::siWetEtching), QStringLiteral("BCA Wet Etch"),
                  QStringLiteral("Si wet etching"), none, wetEtchParameters(length),
                  build<AtomisticSiWetEtchingOperation>(), &BatchRun::ProcessSteps::siWetEtching, wetEtch, true};
    kinds << Kind{K::ContinuousWetEtching, 29, 29, 17, QStringLiteral("Si Wet Etching (CCA)"),
                  QStringLiteral("Continuous Wet Etch"), QStringLiteral("Continuous wet etching"), none,
                  wetEtchParameters(length), build<ContinousWetEtchOperation>(),
                  &BatchRun::ProcessSteps::continuousWetEtching, wetEtch, true};
    kinds << Kind{K::SimpleRie, 30, 30, 13, QStringLiteral("Simple RIE"), QStringLiteral("Simple RIE"),
                  QStringLiteral("Simple RIE"), none,
                  materialAnd(3, {{QStringLiteral("Etch Depth"), V::UInt, 1u, true, cellCount},
                                  {QStringLiteral("EtchDirectionValue"), V::Int, 1, false}}),
                  build<SimpleReactiveIonEtchingOperation>(), &BatchRun::ProcessSteps::simpleRie,
                  configure<SimpleReactiveIonEtchingOperation>([](SimpleReactiveIonEtchingOperation &op,
                                                                  const ProcessData &s) {
                      op.setDepth(uintOf(s, "Etch Depth"));
                      op.setEtchMaterial(uintOf(s, "MaterialId"));
                      op.setDirections(std::uint8_t(uintOf(s, "EtchDirectionValue")));
                  })};
    // The cyclic deep etch runs the surface front (a state byte and three
    // floats per cell) once per phase of a cycle.
    kinds << Kind{K::DeepRie, 31, 31, 18, QStringLiteral("DRIE (Bosch)"), QStringLiteral("DRIE (Bosch)"),
                  QStringLiteral("DRIE (Bosch)"), name(Names::drie),
                  materialAnd(1, {{QStringLiteral("Cycles"), V::UInt, 20u, true, {0.0, 100000.0, QStringLiteral("cycles")}},
                                  {QStringLiteral("Etch Per Cycle"), V::Double, 0.5, true, length},
                                  {QStringLiteral("Passivation Thickness"), V::Double, 0.05, true, length},
                                  {QStringLiteral("ARDE"), V::Bool, true}}),
                  build<DeepReactiveIonEtchingOperation>(), &BatchRun::DeepEtchStep::run,
                  configure<DeepReactiveIonEtchingOperation>([](DeepReactiveIonEtchingOperation &op,
                                                                const ProcessData &s) {
                      op.setEtchMaterial(uintOf(s, "MaterialId"));
                      op.setCycles(uintOf(s, "Cycles"));
                      op.setEtchPerCycle(doubleOf(s, "Etch Per Cycle"));
                      op.setPassivationThickness(doubleOf(s, "Passivation Thickness"));
                      op.setAspectRatioDependent(s.getParameter(QStringLiteral("ARDE")).toBool());
                  }),
                  false, false, 16};
    operationOnly(K::ModelExtraction, 1000, "Model Extraction", "Extract Model", build<RunModelExtraction>());
    // Steps of process lists that no menu action starts.
    kinds << Kind{K::SaveImage, 0, 0, 10, none, none, QStringLiteral("Save Image"), none,
                  {{QStringLiteral("Filename"), V::String, QString()}}, {}, &BatchRun::ProcessSteps::saveImage, {}, true};
    // The doping of a process list that names its material and type its own
    // way; it runs and records as Doping does.
    kinds << Kind{K::DiffusionDoping, 0, 17, 16, none, QStringLiteral("Doping"), QStringLiteral("Diffusion Doping"), none,
                  QVector<Parameter>{{QStringLiteral("DopedMaterialId"), V::UInt, 1u, false},
                                     {QStringLiteral("Doping Depth"), V::Float, 10.0f, true, length},
                                     {QStringLiteral("DopingTypeValue"), V::UInt, 0u, false}}
                      + diffusionParameters(),
                  build<DopingOperation>(), &BatchRun::ProcessSteps::diffusionDoping, doping};

    // The surface front keeps a state byte and an offset per cell while it
    // runs (the deep etch runs one each cycle); without offsets (the Moore
    // processes) the state byte alone. Their lists hold surface cells only.
    // The other processes work in place with a few lists per slab.
    using Front = Operations::SurfaceFrontProcess;
    for (Kind &k : kinds) {
        switch (k.key) {
        case K::Cvd: case K::IsotropicEtching: case K::Electroplating: case K::Pvd: case K::SiOxidation:
        case K::Doping: case K::DiffusionDoping: case K::IonImplantation: case K::DeepRie:
            k.stepBytesPerCell = Front::workingBytesPerCell(Front::OffsetStorage::PerCell);
            break;
        case K::MooreDeposition: case K::MooreEtching:
            k.stepBytesPerCell = Front::workingBytesPerCell(Front::OffsetStorage::None);
            break;
        default:
            break;
        }
    }
    return kinds;
}

struct Registry
{
    QMutex mutex;
    QHash<int, ProcessTable::InterfaceBuilder> builders;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

const Parameter *ProcessTable::Kind::parameter(const QString &name) const
{
    for (const Parameter &p : parameters) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

const QVector<Kind> &ProcessTable::kinds()
{
    static const QVector<Kind> table = makeKinds();
    return table;
}

QString ProcessTable::Range::text() const
{
    const auto shown = [](double v) { return QString::number(v, 'g', 7); };
    const QString ends = QStringLiteral("from %1 to %2").arg(shown(minimum), shown(maximum));
    return unit.isEmpty() ? ends : ends + QLatin1Char(' ') + unit;
}

const Kind *ProcessTable::byOperationId(std::uint32_t operationId)
{
    if (operationId == 0)
        return nullptr;
    for (const Kind &k : kinds()) {
        if (k.operationId == operationId && k.isBuilt())
            return &k;
    }
    return nullptr;
}

const ProcessTable::Range *ProcessTable::range(std::int32_t listCode, const QString &name)
{
    const Parameter *p = parameter(listCode, name);
    return p && p->range.isSet() ? &p->range : nullptr;
}

const Parameter *ProcessTable::parameter(std::int32_t listCode, const QString &name)
{
    const Kind *k = byListCode(listCode);
    return k ? k->parameter(name) : nullptr;
}

const Kind &ProcessTable::kind(ProcessKey key)
{
    for (const Kind &k : kinds()) {
        if (k.key == key)
            return k;
    }
    // Every key has a row; the table test checks it.
    Q_UNREACHABLE();
}

const Kind *ProcessTable::byMenuId(std::uint32_t menuId)
{
    if (menuId == 0)
        return nullptr;
    for (const Kind &k : kinds()) {
        if (k.menuId == menuId)
            return &k;
    }
    return nullptr;
}

const Kind *ProcessTable::byListCode(std::int32_t code)
{
    if (code == noListCode)
        return nullptr;
    for (const Kind &k : kinds()) {
        if (k.listCode == code)
            return &k;
    }
    return nullptr;
}

ProcessData ProcessTable::defaultStep(ProcessKey key)
{
    const Kind &k = kind(key);
    ProcessData step(k.listCode);
    for (const Parameter &p : k.parameters) {
        if (p.mode.isEmpty())
            step.setParameter(p.name, p.defaultValue, p.visible);
    }
    return step;
}

QString ProcessTable::chooserText(ProcessKey key)
{
    switch (key) {
    case ProcessKey::IsotropicEtching:
        return QStringLiteral("Isotropic Etching");
    case ProcessKey::MooreDeposition:
        return QStringLiteral("Moore Deposition");
    case ProcessKey::MooreEtching:
        return QStringLiteral("Moore Etching");
    case ProcessKey::SiWetEtching:
        return QStringLiteral("Si Wet Etching");
    case ProcessKey::ContinuousWetEtching:
        return QStringLiteral("Si Wet Etching (Continuous)");
    case ProcessKey::Doping:
        return QStringLiteral("Thermal Doping");
    case ProcessKey::SiOxidation:
        return QStringLiteral("Thermal Oxidation");
    default:
        return kind(key).listName;
    }
}

QString ProcessTable::listName(std::int32_t code)
{
    const Kind *k = byListCode(code);
    return k ? k->listName : QStringLiteral("Unknown process");
}

namespace {

// Parameters a step may carry beside its own, as the command-line help lists
// them ("name" type: what it does).
QStringList optionalParameters(ProcessKey key)
{
    QStringList optional;
    if (key != ProcessKey::Photolithography)
        return optional;
    for (const char *side : {"Top Mask", "Bottom Mask"}) {
        optional << QStringLiteral("\"%1 File\" QString: an image or a .gds layout, loaded when \"%1\" is empty").arg(side)
                 << QStringLiteral("\"%1 Layer\" uint: the layout's layer (default the lowest with polygons)").arg(side)
                 << QStringLiteral("\"%1 Cell Size\" double: layout units per cell (default the volume's cell size "
                                   "in µm, a layout unit taken as 1 µm)").arg(side);
    }
    optional << QStringLiteral("\"Mask Placement\" QString [%1]: how both masks meet a volume of another size: "
                               "from the corner, centred, scaled to the volume or repeated (default corner)")
                    .arg(Operations::MaskPlacing::names().join(QStringLiteral(", ")));
    return optional;
}

} // namespace

QString ProcessTable::stepReference()
{
    QVector<const Kind *> steps;
    for (const Kind &k : kinds()) {
        if (k.listCode != noListCode)
            steps << &k;
    }
    std::sort(steps.begin(), steps.end(), [](const Kind *a, const Kind *b) { return a->listCode < b->listCode; });
    QString text = QStringLiteral("Process steps (process-type code, name: parameter-name parameter-type [the "
                                  "values it may take]):");
    for (const Kind *k : steps) {
        QStringList parameters;
        for (const Parameter &p : k->parameters) {
            QString parameter = QStringLiteral("\"%1\" %2").arg(p.name, kindName(p.kind));
            if (p.range.isSet())
                parameter += QStringLiteral(" [%1]").arg(p.range.text());
            else if (!p.range.unit.isEmpty())
                parameter += QStringLiteral(" [%1]").arg(p.range.unit);
            else if (!p.choices.isEmpty())
                parameter += QStringLiteral(" [%1]").arg(p.choices.join(QStringLiteral(", ")));
            if (!p.mode.isEmpty())
                parameter += QStringLiteral(" (optional, for %1)").arg(p.mode);
            else if (p.optional)
                parameter += QStringLiteral(" (optional, default %1)").arg(p.defaultValue.toString());
            parameters << parameter;
        }
        text += QStringLiteral("\n  %1 %2: %3").arg(k->listCode, 2).arg(k->listName, parameters.join(QStringLiteral(", ")));
        for (const QString &optional : optionalParameters(k->key))
            text += QStringLiteral("\n       optional %1").arg(optional);
    }
    return text;
}

QString ProcessTable::kindName(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Bool: return QStringLiteral("bool");
    case ValueKind::Int: return QStringLiteral("int");
    case ValueKind::UInt: return QStringLiteral("uint");
    case ValueKind::Float: return QStringLiteral("float");
    case ValueKind::Double: return QStringLiteral("double");
    case ValueKind::String: return QStringLiteral("QString");
    case ValueKind::Color: return QStringLiteral("QColor");
    case ValueKind::Vector3D: return QStringLiteral("Util::Vector3D");
    case ValueKind::BitVector: return QStringLiteral("vector");
    }
    return {};
}

void ProcessTable::registerInterface(ProcessKey key, InterfaceBuilder build)
{
    Registry &r = registry();
    QMutexLocker locker(&r.mutex);
    r.builders.insert(int(key), std::move(build));
}

std::shared_ptr<Operation> ProcessTable::createInteractive(std::uint32_t menuId, Workspace *workspace,
                                                           QWidget *dialogParent)
{
    const Kind *k = byMenuId(menuId);
    if (!k || !k->isBuilt())
        return {};
    InterfaceBuilder build;
    {
        Registry &r = registry();
        QMutexLocker locker(&r.mutex);
        build = r.builders.value(int(k->key));
    }
    return build ? build(workspace, dialogParent) : k->makeOperation(workspace);
}

} // namespace Core
