/* The JVM vendor's download page: shown at the end of the browse dialog's
   note (each language's template appends it) and opened by a click on it.
   A current, free OpenJDK distribution. */
#ifndef CARAFE_DOWNLOAD_PAGE_H
#define CARAFE_DOWNLOAD_PAGE_H

#define JVM_DOWNLOAD_PAGE "https://adoptium.net/"

#endif
