#include "Artwork.h"

#include <QString>

namespace Artwork {

QIcon AppIcon() {
    return QIcon(QString::fromLatin1(kIconPath));
}

}  // namespace Artwork
