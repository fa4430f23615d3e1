#include "devices/CouponJob.h"

#include <cstdio>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "devices/CouponStore.h"
#include "devices/StringTokenizer.h"

namespace devices {

namespace {

constexpr const char* kDLabel = "CDevicePrinterMitosaSCN::GenerateDMessageForPrinting():";

bool FoundAfterFirst(std::string_view text, std::string_view what) {
    const std::size_t at = text.find(what);
    return at != std::string_view::npos && at > 0;
}

std::string TwoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

}  // namespace

bool CCouponJob::IsGood(std::string_view reply) {
    return FoundAfterFirst(reply, "OK");
}

bool CCouponJob::IsError(std::string_view reply) {
    return FoundAfterFirst(reply, "ERR");
}

char CCouponJob::ErrorCode(std::string_view reply) {
    const std::size_t at = reply.find("ERR");
    return at == std::string_view::npos ? '\0' : At(reply, at + 3);
}

char CCouponJob::At(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

void CCouponJob::Clear() {
    m_astrRecords.clear();
    m_strHeaderRecord.clear();
    m_strDefaultRecord.clear();
    m_astrPrinterAnswers.clear();
    m_astrCoupons.clear();
    m_strCouponTypes.clear();
    m_nRetryCount = 0;
}

// --- Records and coupons -----------------------------------------------------------------

void CCouponJob::CloseRecord(std::string& record) {
    switch (At(record, 3)) {
        case 'A':
            m_strHeaderRecord = std::move(record);
            break;
        case 'S':
            m_strDefaultRecord = std::move(record);
            break;
        default:
            m_astrRecords.push_back(std::move(record));
            break;
    }
    record.clear();
}

void CCouponJob::SplitHostText(std::string_view text, ICouponJobSide& side) {
    Clear();
    std::string record;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool bMarker = text[i] == 'T' && At(text, i + 1) == 'K' &&
                             At(text, i + 2) == kDelimiter && (i == 0 || text[i - 1] == ':');
        if (bMarker && !record.empty()) CloseRecord(record);
        record += text[i];
    }
    if (!record.empty()) CloseRecord(record);
    const char chPectab = m_strHeaderRecord.size() > 7 ? m_strHeaderRecord[7] : '?';
    m_strPectabCode = side.RetrievePectabCode(chPectab);
}

void CCouponJob::BuildCoupons(ICouponJobSide& side) {
    m_astrPrinterAnswers.clear();
    m_strCouponTypes.clear();
    m_strJobStartSCN = side.ReadScn();
    const std::size_t count = m_astrRecords.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& record = m_astrRecords[i];
        const char type = At(record, 4);
        if (type != '\0') m_strCouponTypes += type;
        switch (type) {
            case 'C':
            case 'F':
            case 'X':
                m_astrCoupons.push_back(m_strHeaderRecord + record);
                break;
            case 'I':
            case 'R':
            case 'U':
                m_astrCoupons.push_back(m_strHeaderRecord + MergeWithDefaultRecord(record));
                break;
            default:
                TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::BuildCoupons()():",
                             "Invalid Coupon type %c ", type);
                break;
        }
    }
}

std::string CCouponJob::MergeWithDefaultRecord(const std::string& record) const {
    if (m_strDefaultRecord.empty()) return record;
    CStringTokenizer def(m_strDefaultRecord);
    CStringTokenizer rec(record);
    std::string result = record.substr(0, record.find(At(record, 2), 3));
    if (At(record, 2) == '\0') result = record;
    // A record without any field takes the other record's fields as they stand.
    if (!rec.HasToken()) return result + def.Remainder();
    if (!def.HasToken()) return result + rec.Remainder();
    // Each round takes at least one token from one side; bounded by the records' lengths.
    for (std::size_t round = 0; round <= record.size() + m_strDefaultRecord.size(); ++round) {
        const int order = rec.Code().compare(def.Code());
        if (order == 0) {
            result += rec.Token();
            rec.NextToken();
            def.NextToken();
        } else if (order < 0) {
            result += rec.Token();
            rec.NextToken();
        } else {
            result += def.Token();
            def.NextToken();
        }
        if (!rec.HasToken()) return result + def.Remainder();
        if (!def.HasToken()) return result + rec.Remainder();
    }
    return result;
}

bool CCouponJob::PrintCurrentCoupon(ICouponJobSide& side) {
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::PrintCurrentCoupon():", "%d, TotalCoupons",
                 static_cast<int>(m_astrCoupons.size()));
    if (m_astrCoupons.empty()) return false;
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::PrintCurrentCoupon():", "No");
    ++m_nRetryCount;
    side.PrintCoupon(m_astrCoupons.front());
    return true;
}

bool CCouponJob::PopCurrentCoupon() {
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::PopCurrentCoupon():", "%d, TotalCoupons",
                 static_cast<int>(m_astrCoupons.size()));
    if (m_astrCoupons.empty()) return false;
    m_astrCoupons.erase(m_astrCoupons.begin());
    m_nRetryCount = 0;
    return true;
}

// --- Answers -----------------------------------------------------------------------------

void CCouponJob::Finish(char cStatus, ICouponJobSide& side, bool bHoldAck) {
    const std::string dmessage = GenerateDMessageForPrinting(side);
    side.FinishJob(cStatus, dmessage, bHoldAck);
}

void CCouponJob::OnReply(const std::string& reply, ICouponJobSide& side) {
    const bool bOutOfStock = At(reply, 10) == 'O';
    if (IsGood(reply)) {
        m_astrPrinterAnswers.push_back(reply);
        side.StoreScnFromReply(reply);
        if (bOutOfStock && !side.Ask(IDS_OUT_OF_STOCK, core::MB_SYSTEMMODAL_OK)) return;
        PopCurrentCoupon();
        if (!PrintCurrentCoupon(side)) Finish('0', side);
        return;
    }
    if (!IsError(reply)) return;
    switch (ErrorCode(reply)) {
        case '2':
        case '3':
        case 'S':
        case '9':
            m_astrPrinterAnswers.push_back(reply);
            side.AdvanceScn();
            Finish('0', side);
            return;
        case '8':
            m_astrPrinterAnswers.push_back(reply);
            Finish('0', side);
            return;
        case '6':
            m_astrPrinterAnswers.push_back(reply);
            if (!side.Ask(IDS_NO_PECTAB, core::MB_SYSTEMMODAL_OK)) return;
            Finish('4', side);
            return;
        case '5':
            break;
        default:
            // A code the printer is not known to give: the job ends, so that the host is not
            // left waiting for its reply.
            m_astrPrinterAnswers.push_back(reply);
            Finish('4', side);
            return;
    }
    if (bOutOfStock) {
        if (!side.Ask(IDS_OUT_OF_STOCK, core::MB_SYSTEMMODAL_OK)) return;
        --m_nRetryCount;
    } else {
        m_astrPrinterAnswers.push_back(reply);
        side.AdvanceScn();
    }
    if (m_nRetryCount >= 2) {
        Finish('4', side);
    } else if (bOutOfStock) {
        PrintCurrentCoupon(side);
    } else {
        const std::optional<int> answer =
            side.Ask(IDS_RETRY_PRINTING, core::MB_SYSTEMMODAL_OKCANCEL);
        if (!answer) return;
        if (*answer == core::IDOK) {
            PrintCurrentCoupon(side);
        } else {
            Finish('4', side);
        }
    }
}

void CCouponJob::OnNoReply(ICouponJobSide& side) {
    constexpr const char* label = "CDevicePrinterMitosaSCN::ReceiveFromDeviceThread():";
    m_astrPrinterAnswers.push_back("ERR5");
    if (m_nRetryCount < 2) {
        const std::optional<int> answer =
            side.Ask(IDS_DEVICE_NOT_RESPONDING, core::MB_SYSTEMMODAL_OKCANCEL);
        if (!answer) return;
        if (*answer == core::IDOK) {
            TRACE_FORMAT(0, label, "Retrying again");
            PrintCurrentCoupon(side);
            return;
        }
        TRACE_FORMAT(0, label, "Aborted printing by user");
    }
    Finish('4', side, false);
}

// --- The summary reply -------------------------------------------------------------------

std::optional<std::string> CCouponJob::SrText(std::string_view answer) {
    const std::size_t sr = answer.find("SR");
    if (sr == std::string_view::npos || sr == 0) return std::nullopt;
    const std::size_t from = std::min(sr + 3, answer.size());
    const std::size_t sc = answer.find("SC", from);
    return std::string(answer.substr(from, sc == std::string_view::npos ? sc : sc - from));
}

std::string CCouponJob::GenerateDMessageForPrinting(ICouponJobSide& side) {
    std::vector<std::string>& answers = m_astrPrinterAnswers;
    const int n = static_cast<int>(answers.size());
    TRACE_FORMAT(0, kDLabel, "Total Printer Ack %d", n);
    for (int i = 0; i < n; ++i) {
        TRACE_FORMAT(0, kDLabel, "Printer Ack %d", i);
        TRACE_FORMAT(0, kDLabel, "%s", answers[static_cast<std::size_t>(i)].c_str());
    }
    int voided = 0, good = 0;
    const std::string* firstGood = nullptr;
    const std::string* firstError = nullptr;
    for (const std::string& a : answers) {
        if (a.find("ERR5") != std::string::npos && At(a, 10) != 'O') ++voided;
        if (IsGood(a)) {
            ++good;
            if (!firstGood) firstGood = &a;
        }
        if (IsError(a) && !firstError) firstError = &a;
    }
    TRACE_FORMAT(0, kDLabel, "Total Good Coupon:%d TotalVoided:%d ", good, voided);
    const int total = good + voided;
    std::string last = answers.empty() ? std::string() : answers.back();
    std::string q;
    if (answers.empty()) {
        q = "5";
    } else if (!IsGood(last)) {
        if (IsError(last)) {
            const char code = ErrorCode(last);
            if (code != '\0') q = std::string(1, code);
        } else {
            q = "5";
        }
    }
    const std::string pectab = m_strPectabCode;
    const auto head = [&] { return std::string("W*D") + side.NextSequenceLetter() + "A" + pectab; };
    const std::string fe = firstError ? *firstError : head() + "ERR" + q;
    const std::optional<std::string> frontGood =
        firstGood ? std::optional<std::string>(*firstGood) : std::nullopt;
    if (n == 0) {
        TRACE_FORMAT(0, kDLabel, "No Acks %s", fe.c_str());
        return fe;
    }
    for (std::string& a : answers)
        if (a.compare(0, 4, "ERR5") == 0) a = fe;

    const auto number = [&](std::size_t i) {
        return i < answers.size() ? ScnInReply(answers[i]) : std::int64_t{0};
    };
    std::int64_t first = IsGood(answers[0]) ? number(0) : ReadDecimal64(m_strJobStartSCN);
    if (first == 0 && n > 1 && IsGood(answers[1])) first = number(1) - 1;
    if (first == 0) {
        const std::string current = side.ReadScn();
        if (current.empty() || ReadDecimal64(current) <= 0) return fe;
        first = ReadDecimal64(current) - total;
    }
    if (first <= 0) return fe;
    TRACE_FORMAT(0, kDLabel, "First Good SCN %s", std::to_string(first).c_str());
    const std::string d(1, kDelimiter);

    if (q == "6" || q == "8" || q == "S" || (q == "3" && n == 1)) {
        const std::size_t err = last.find("ERR");
        const std::string message =
            head() + "ERR" + q + (err + 4 < last.size() ? last.substr(err + 4) : std::string());
        TRACE_FORMAT(0, kDLabel, "DMessage %s", message.c_str());
        return message;
    }
    if (!q.empty() && total <= 2 && total == voided) {
        std::string message = head() + "ERR" + q + d + "1" + TwoDigits(total) + d + "200" + d +
                              "300" + d + std::to_string(total) + "SR" + d;
        const std::optional<std::string> sr = SrText(fe);
        message += (sr ? *sr : std::string()) + "SC" + std::to_string(first) +
                   std::string(static_cast<std::size_t>(total), 'V');
        TRACE_FORMAT(0, kDLabel, "DMessage %s", message.c_str());
        if (!sr) {
            TRACE_FORMAT(0, kDLabel, "Error loc is 0");
            return fe;
        }
        return message;
    }

    std::string h;
    std::size_t start = 1;
    std::int64_t previous = first;
    if (IsError(answers[0])) {
        if (At(answers[0], 10) == 'O') {
            h = "SC";
        } else {
            previous = number(1);
            h = "SCV" + std::to_string(previous);
            start = 2;
        }
    } else {
        h = "SC" + std::to_string(first);
    }
    std::size_t nextType = 0;
    const auto typeLetter = [&] {
        if (nextType < m_strCouponTypes.size()) h += m_strCouponTypes[nextType];
        ++nextType;
    };
    typeLetter();
    const std::size_t end = std::min(static_cast<std::size_t>(total), answers.size());
    for (std::size_t i = start; i < end; ++i) {
        const std::int64_t scn = number(i);
        if (scn > 0) {
            if (scn - previous > 1) h += d + std::to_string(scn);
            typeLetter();
            previous = scn;
        } else if (scn == 0) {
            ++previous;
            h += "V";
        }
    }
    std::string message = head() + (q.empty() ? "PROK" : "ERR" + q) + d + "1" + TwoDigits(total) +
                          d + "200" + d + "300" + d +
                          (voided > 0 ? std::to_string(voided) + "SR" : std::string("VSR")) + d;
    const std::optional<std::string> sr = frontGood ? SrText(*frontGood) : std::nullopt;
    message += (sr ? *sr : std::string()) + h;
    TRACE_FORMAT(0, kDLabel, "DMessage %s", message.c_str());
    if (!sr) {
        TRACE_FORMAT(0, kDLabel, "Error SR not found %s", fe.c_str());
        return fe;
    }
    return message;
}

}  // namespace devices
