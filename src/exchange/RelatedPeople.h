#pragma once

#include <QString>

namespace exchange {

// The people a contact is related to, as phones keep them (vCard RELATED, Apple's related names, Android's relation
// rows), in the words 备注 shows them with.
class RelatedPeople {
public:
    RelatedPeople() = delete;

    // "李梅（配偶）": the person with the relation, in Chinese where the label is a standard one (spouse, child …),
    // else as the label says; the person alone without a label.
    static QString withRelation(const QString& person, const QString& label);
    // Android's relation type number (1 assistant … 14 spouse) as a standard label; empty for 0 (the user's own) and
    // any other number.
    static QString androidType(int type);
};

} // namespace exchange
