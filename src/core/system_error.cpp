#include "core/system_error.h"

#include <cerrno>
#include <cstring>

namespace tarnfold {

std::string SystemErrorText(int code) {
    switch (code) {
        case ENOENT:
            return "нет такого файла или каталога";
        case EACCES:
            return "нет доступа";
        case EPERM:
            return "операция не разрешена";
        case EROFS:
            return "диск доступен только для чтения";
        case ENOSPC:
            return "на диске нет места";
#ifdef EDQUOT
        case EDQUOT:
            return "превышена дисковая квота";
#endif
        case ENAMETOOLONG:
            return "слишком длинное имя файла";
        case ENOTDIR:
            return "часть пути не является папкой";
        case EISDIR:
            return "это папка, а не файл";
        case EEXIST:
            return "файл уже существует";
        case EBUSY:
            return "файл занят";
#ifdef ETXTBSY
        case ETXTBSY:
            return "файл занят";
#endif
        case EMFILE:
        case ENFILE:
            return "открыто слишком много файлов";
        case ENOMEM:
            return "недостаточно памяти";
        case EIO:
            return "ошибка ввода-вывода";
        case ENOEXEC:
            return "файл не является программой";
        case EAGAIN:
            return "ресурс временно недоступен";
#ifdef ELOOP
        case ELOOP:
            return "слишком много символических ссылок в пути";
#endif
        case EINVAL:
            return "недопустимый аргумент";
        default:
            return std::string(std::strerror(code)) + " (" + std::to_string(code) + ")";
    }
}

}  // namespace tarnfold
