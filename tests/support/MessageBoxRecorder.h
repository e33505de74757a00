#pragma once
// Records every message box a test's code shows and answers it instead of a user:
// questions (Yes/No and Yes/No/Cancel boxes) with the answer given (Yes unless told
// otherwise), every other box with OK. The interceptor in place before is put back at the end.
#include <string>
#include <vector>

#include "platform/ui/MessageBox.h"

class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int questionAnswer = plat::IDYES) : questionAnswer_(questionAnswer) {
    previous_ = plat::SetMessageBoxInterceptor([this](const plat::MessageBoxRequest& request) {
      boxes_.push_back(request);
      const unsigned buttons = request.type & kButtonBits;
      return buttons == plat::MB_YESNO || buttons == plat::MB_YESNOCANCEL ? questionAnswer_ : plat::IDOK;
    });
  }
  ~MessageBoxRecorder() { plat::SetMessageBoxInterceptor(std::move(previous_)); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void AnswerQuestionsWith(int answer) { questionAnswer_ = answer; }
  // The boxes in the order they were shown.
  const std::vector<plat::MessageBoxRequest>& All() const { return boxes_; }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const plat::MessageBoxRequest& box : boxes_) texts.push_back(box.text);
    return texts;
  }
  // The text of the last box, empty when none was shown.
  std::u16string Last() const { return boxes_.empty() ? std::u16string() : boxes_.back().text; }
  void Clear() { boxes_.clear(); }

 private:
  // The bits of a box type that choose its buttons.
  static constexpr unsigned kButtonBits = 0x0F;

  std::vector<plat::MessageBoxRequest> boxes_;
  int questionAnswer_;
  plat::MessageBoxInterceptor previous_;
};
