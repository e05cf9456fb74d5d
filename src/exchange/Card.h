#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace exchange {

// A telephone number as the file gives it, before it is normalised into a field.
struct Phone {
    QString value;
    // Lower case: cell, work, home, voice, fax, pager, x-phs ...
    QStringList types;
    // A label of the source's own ("公司总机"), shown with the number when it ends up in 备注.
    QString label;
};

struct Address {
    QString poBox;
    QString extended;
    QString street;
    QString locality;
    QString region;
    QString postalCode;
    QString country;
    // The address as one text (a sheet's 住址 column), used when no part is given.
    QString formatted;
    // What the address is ("单位地址"), shown with it when it ends up in 备注; empty for a plain 地址.
    QString label;
};

// One contact as a vCard or a CSV row gives it, in the file's own terms; FieldMapping turns it into a Contact.
struct Card {
    int line = 0; // where it begins in the file, for the import report
    // Written by this program's own export: the three numbers go back to their fields as they are.
    bool own = false;
    QString fullName;
    QString familyName;
    QString givenName;
    QString middleName;
    // The organisation's own name, without department: the name of a contact that has no other.
    QString organization;
    QList<Phone> phones;
    QList<Address> addresses;
    QString birthday;
    QString gender;
    QString relation;
    bool hasRelation = false;
    QStringList categories;
    QString note;
    QString registered;
    // Values without a field of their own ("单位", "某公司"), kept in 备注.
    QList<std::pair<QString, QString>> pieces;
    QByteArray photo;
};

// Why a file cannot be read: the line of the fault and what is wrong there. cancelled when progress said stop;
// neither when the sink said stop.
struct ReadFault {
    int line = 0;
    QString message;
    bool cancelled = false;
};

// Takes each card as soon as it is read; returning false stops the reader.
using CardSink = std::function<bool(Card& card)>;

// A sink that keeps every card in a list (the readers' list form, for small files and tests).
inline CardSink collectInto(QList<Card>* cards)
{
    return [cards](Card& card) {
        cards->append(std::move(card));
        return true;
    };
}

} // namespace exchange
