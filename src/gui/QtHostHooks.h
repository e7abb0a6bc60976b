#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

namespace qx::gui {

/// The receivers of one host notification. Each hook belongs to a window (or another object)
/// and is dropped with it, so a window the user closed and Qt deleted is never called back.
template <typename... Args>
class QtHostHooks {
 public:
  void Add(const QObject* owner, std::function<void(Args...)> hook) {
    hooks_.push_back({QPointer<QObject>(const_cast<QObject*>(owner)), std::move(hook)});
  }

  void Call(Args... args) {
    std::erase_if(hooks_, [](const Hook& h) { return h.owner.isNull(); });
    // By index, on a copy: a hook may add hooks or delete another hook's owner.
    for (size_t i = 0; i < hooks_.size(); ++i) {
      if (hooks_[i].owner.isNull()) continue;
      const std::function<void(Args...)> hook = hooks_[i].hook;
      hook(args...);
    }
  }

 private:
  struct Hook {
    QPointer<QObject> owner;
    std::function<void(Args...)> hook;
  };
  std::vector<Hook> hooks_;
};

}  // namespace qx::gui
