#pragma once

#include <memory>

namespace Model {
namespace ModelExtraction {

class ExtractedModel;
class IStructure;

// Searches a block model for one kind of structure.
class IModelRule
{
public:
    virtual ~IModelRule() = default;
    // The structure found, or null when there is none.
    virtual std::shared_ptr<IStructure> apply(const ExtractedModel &model) = 0;
};

} // namespace ModelExtraction
} // namespace Model
