#include "CatalogueProblems.h"

#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"

namespace Model {

QStringList catalogueProblems()
{
    QStringList problems;
    for (const QString &problem : {Materials::MaterialFactory::getInstance()->loadProblem(),
                                   Process::ProcessFactory::getInstance()->loadProblem()}) {
        if (!problem.isEmpty())
            problems.append(problem);
    }
    return problems;
}

} // namespace Model
