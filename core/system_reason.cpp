#include "system_reason.h"

#include <cerrno>
#include <string>

namespace calorvin {

std::string SystemReason(int error)
{
    switch (error) {
    case ENOENT: return "file inesistente";
    case EACCES:
    case EPERM: return "permesso negato";
    case EISDIR: return "è una cartella";
    case ENOTDIR: return "una parte del percorso non è una cartella";
    case ENOSPC: return "disco pieno";
    case EDQUOT: return "spazio concesso sul disco esaurito";
    case EFBIG: return "file troppo grande";
    case EROFS: return "file system in sola lettura";
    case EBADF: return "flusso chiuso";
    case EPIPE: return "il lettore ha chiuso il flusso";
    case EIO: return "errore di input/output";
    case ENXIO:
    case ENODEV: return "dispositivo assente";
    case ENAMETOOLONG: return "nome troppo lungo";
    case ELOOP: return "troppi collegamenti simbolici";
    case EMFILE:
    case ENFILE: return "troppi file aperti";
    case ENOMEM: return "memoria insufficiente";
    case EAGAIN: return "risorsa temporaneamente non disponibile";
    case EINVAL: return "operazione non valida su questo file";
    default: return "errore di sistema " + std::to_string(error);
    }
}

} // namespace calorvin
