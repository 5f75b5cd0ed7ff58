#pragma once

namespace Model {
namespace Automaton {

class TotalVolume;

// Turns a volume's cells into drawable faces and draws them.
class TotalVolumePainter
{
public:
    explicit TotalVolumePainter(TotalVolume *volume);
    ~TotalVolumePainter();

    TotalVolumePainter(const TotalVolumePainter &) = delete;
    TotalVolumePainter &operator=(const TotalVolumePainter &) = delete;

    // Rebuilds the geometry from the current cells (takes the cells lock).
    void rebuild();
    void draw(bool drawObject, bool drawOutlines);
    void drawPickBox();

private:
    TotalVolume *volume;
};

} // namespace Automaton
} // namespace Model
