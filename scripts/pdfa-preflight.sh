#!/bin/sh
# Apache PDFBox's Preflight (Debian's libpdfbox2-java) on one file: exit 0 and "valid PDF/A-1b" when it passes,
# else its errors. Under Java 17 it needs JAXB and JavaBeans Activation on the class path too.
set -e
[ $# -eq 1 ] || { echo "usage: pdfa-preflight.sh FILE.pdf" >&2; exit 2; }
jars=/usr/share/java
exec java -cp "$jars/preflight.jar:$jars/pdfbox2.jar:$jars/xmpbox.jar:$jars/fontbox2.jar:$jars/commons-logging.jar:$jars/javax.activation.jar:$jars/jaxb-api.jar" \
  org.apache.pdfbox.preflight.Validator_A1b "$1"
