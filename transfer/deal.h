// One deal of the deal file as a value: its two fixed-column records, read
// once, and where it stands in the file. Every column range the transfer
// reads is named in DealColumn; the postings take the deal and cut what they
// need from it.
#ifndef DEXT_TRANSFER_DEAL_H_
#define DEXT_TRANSFER_DEAL_H_

#include <string>
#include <variant>
#include <vector>

namespace dext {

// Where a value lies in a deal: its record (1 or 2) and its columns, counted
// from 1.
struct ColumnRange {
  int record = 0;
  int first = 0;
  int length = 0;
  int last() const { return first + length - 1; }
};

// The column ranges of a deal, by what they hold. The money figures have no
// names of their own in the deal file: they are named by the accounting line
// they post to.
struct DealColumn {
  // Record 1.
  static constexpr ColumnRange kStockNumber{1, 1, 6};  // of the sold vehicle
  static constexpr ColumnRange kDeliveryMonth{1, 7, 2};
  static constexpr ColumnRange kDeliveryDay{1, 9, 2};
  static constexpr ColumnRange kDeliveryYear{1, 11, 2};
  static constexpr ColumnRange kMileage{1, 13, 6};  // of the sold vehicle
  static constexpr ColumnRange kSalesmanCode{1, 19, 2};
  static constexpr ColumnRange kSalesmanName{1, 21, 25};
  static constexpr ColumnRange kDebitLine3{1, 46, 8};
  static constexpr ColumnRange kFinanceTerm{1, 54, 3};
  static constexpr ColumnRange kDebitLine4{1, 57, 8};
  static constexpr ColumnRange kDebitLine5{1, 65, 8};
  static constexpr ColumnRange kDebitLine5Addend{1, 73, 8};
  static constexpr ColumnRange kDebitLine6{1, 81, 8};
  static constexpr ColumnRange kTradeInStockNumber{1, 89, 6};  // accounting DC line 8
  static constexpr ColumnRange kTradeInAmount{1, 95, 8};       // accounting DA line 8
  static constexpr ColumnRange kDebitLine9{1, 109, 8};
  static constexpr ColumnRange kTotalAmount{1, 117, 8};  // accounting TA
  static constexpr ColumnRange kCreditLine2{1, 125, 8};
  static constexpr ColumnRange kCreditLine10{1, 133, 8};
  static constexpr ColumnRange kLine11{1, 141, 8};  // debit and credit line 11
  static constexpr ColumnRange kServiceContract{1, 149, 35};
  static constexpr ColumnRange kServiceContractMonths{1, 184, 2};
  static constexpr ColumnRange kCreditLine3{1, 186, 8};
  static constexpr ColumnRange kCreditLine5{1, 194, 8};
  static constexpr ColumnRange kCreditLine6{1, 202, 8};
  static constexpr ColumnRange kCreditLine7{1, 210, 8};
  static constexpr ColumnRange kCreditLine8{1, 218, 8};
  static constexpr ColumnRange kCreditLine7Addend{1, 226, 8};
  static constexpr ColumnRange kCreditLine9{1, 234, 8};
  static constexpr ColumnRange kSecondPairLine{1, 242, 8};  // the accounting file's line 22 or 16
  // Record 2.
  static constexpr ColumnRange kFirstPairLine{2, 1, 8};  // the accounting file's line 21 or 15
  static constexpr ColumnRange kCpAmount{2, 9, 8};       // accounting CP
  static constexpr ColumnRange kLicence{2, 52, 8};
  static constexpr ColumnRange kLastName{2, 62, 15};
  static constexpr ColumnRange kFirstName{2, 77, 10};
  static constexpr ColumnRange kMiddleInitial{2, 87, 1};
  static constexpr ColumnRange kAddress{2, 88, 30};
  static constexpr ColumnRange kCity{2, 118, 15};
  static constexpr ColumnRange kState{2, 133, 2};
  static constexpr ColumnRange kZip{2, 135, 10};
  static constexpr ColumnRange kPhonePrefix{2, 145, 3};
  static constexpr ColumnRange kPhoneNumber{2, 148, 4};
  static constexpr ColumnRange kWorkPhonePrefix{2, 152, 3};
  static constexpr ColumnRange kWorkPhoneNumber{2, 155, 4};
  static constexpr ColumnRange kBirthMonth{2, 159, 2};
  static constexpr ColumnRange kBirthDay{2, 161, 2};
  static constexpr ColumnRange kTradeInVin{2, 163, 17};
  static constexpr ColumnRange kTradeInYear{2, 180, 4};
  static constexpr ColumnRange kTradeInMake{2, 184, 10};
  static constexpr ColumnRange kTradeInModel{2, 194, 10};
  static constexpr ColumnRange kTradeInBody{2, 204, 5};
  static constexpr ColumnRange kTradeInMileage{2, 209, 6};
  static constexpr ColumnRange kTradeInColour{2, 215, 10};
};

// The longest deal record: a longer line is read only this far.
inline constexpr int kDealRecordLength = 249;

struct Deal {
  int number = 0;  // its place in the deal file, the first deal is 1
  std::string first_record;
  std::string second_record;

  // The columns as cut from their record, blanks kept; fewer characters, or
  // none, where the record is shorter.
  std::string Text(ColumnRange columns) const;
  // The numeric value of the columns (blanks skipped, the leading decimal
  // number taken); 0 when they hold none.
  double Amount(ColumnRange columns) const;
  // The sold vehicle's stock number: the key of its inventory record.
  std::string StockNumber() const { return Text(DealColumn::kStockNumber); }
  // "Deal 3, Stock No. A10001", for messages.
  std::string Name() const;
};

// A column range read as a number, named by where its value goes ("DA Line
// 3", "MILES") for the message about a value that is no plain number.
struct NumberColumn {
  std::string target;
  ColumnRange columns;
};

// Why a deal must not be posted: the message names the deal, its record and
// columns; the detail says what to do.
struct DealFault {
  std::string message;
  std::string detail;
};

// Reads deal `number` from its two records as the deal file (named in the
// messages) holds them. A deal that is not what it seems would be posted with
// wrong money or shifted columns: text in UTF-8 (an accented letter takes two
// bytes and shifts every column after it, a byte-order mark included), or a
// number column that, its blanks skipped as they are when it is read, is
// neither empty nor one plain decimal number ("1,234.56", "$5", "12-").
std::variant<Deal, DealFault> ParseDeal(int number, std::string first_record,
                                        std::string second_record,
                                        const std::vector<NumberColumn>& number_columns,
                                        const std::string& deal_file);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_H_
