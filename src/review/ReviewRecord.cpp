#include "review/ReviewRecord.h"

int ReviewRecord::completeness() const
{
    int filled = 0;
    for (const QString *field : {&title, &journal, &year, &volume, &issue, &pages, &doi, &pmid, &abstract})
        filled += field->trimmed().isEmpty() ? 0 : 1;
    filled += authors.isEmpty() ? 0 : 1;
    filled += keywords.isEmpty() ? 0 : 1;
    // An abstract outweighs a volume number when a screener reads the record.
    filled += abstract.size() > 200 ? 1 : 0;
    return filled;
}
