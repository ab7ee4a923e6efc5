import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.util.Vector;
import java.util.zip.DataFormatException;
import java.util.zip.Inflater;

/**
 * Reads the archive that an installation carries in its own class file: named
 * sections of resources, found through the OffsetTable whose offset is the
 * file's last 8 bytes. Integers are big-endian, names carry a u16 length.
 *
 * An installation is a single class file, so it cannot load this class: the
 * build copies the members between the two marker lines into the
 * installation's own class body (java/amalgamate.py). Hence static methods
 * only, no nested classes (each would be a class file of its own) and nothing
 * newer than Java 1.1.
 */
public class ArchiveReader {
    // @members-begin
    /** The whole class file of the named class, archive included. */
    static byte[] readOwnClassFile(String className) throws IOException {
        Class own;
        try {
            own = Class.forName(className);
        } catch (ClassNotFoundException e) {
            throw archiveError("class not found: ", className);
        }
        String simpleName = className.substring(className.lastIndexOf('.') + 1);
        InputStream in = own.getResourceAsStream(new StringBuffer(simpleName).append(".class").toString());
        if (in == null) throw archiveError("cannot find the class file of ", className);
        try {
            ByteArrayOutputStream whole = new ByteArrayOutputStream();
            byte[] chunk = new byte[65536];
            for (int n = in.read(chunk, 0, chunk.length); n >= 0; n = in.read(chunk, 0, chunk.length))
                whole.write(chunk, 0, n);
            return whole.toByteArray();
        } finally {
            in.close();
        }
    }

    /** The section names, in the order of the OffsetTable. */
    static String[] sectionNames(byte[] archive) throws IOException {
        int[] at = {offsetTable(archive)};
        int count = readU16(archive, at);
        String[] names = new String[count];
        for (int i = 0; i < count; i++) {
            names[i] = readName(archive, at);
            readOffset(archive, at);
        }
        return names;
    }

    /**
     * The resource records of the named section, inflated when the section is
     * compressed; resourceNames and resourceData read them.
     */
    static byte[] sectionRecords(byte[] archive, String section) throws IOException {
        int[] at = {offsetTable(archive)};
        int count = readU16(archive, at);
        int sectionOffset = -1;
        for (int i = 0; i < count; i++) {
            String name = readName(archive, at);
            int offset = readOffset(archive, at);
            if (name.equals(section)) sectionOffset = offset;
        }
        if (sectionOffset < 0) throw archiveError("no such section: ", section);
        at[0] = sectionOffset;
        readName(archive, at);
        need(archive, at[0], 4);
        at[0] += 4; // the resource count: the records themselves tell where they end
        int payloadSize = readOffset(archive, at);
        need(archive, at[0], 1);
        boolean compressed = archive[at[0]++] != 0;
        need(archive, at[0], payloadSize);
        if (compressed) return inflateRaw(archive, at[0], payloadSize, section);
        byte[] records = new byte[payloadSize];
        System.arraycopy(archive, at[0], records, 0, payloadSize);
        return records;
    }

    /** The names of the resources in a section's records, in file order. */
    static String[] resourceNames(byte[] records) throws IOException {
        Vector names = new Vector();
        int[] at = {0};
        while (at[0] < records.length) {
            skipHeaderBlock(records, at);
            names.addElement(readName(records, at));
            int size = readU32(records, at);
            need(records, at[0], size);
            at[0] += size;
        }
        String[] result = new String[names.size()];
        names.copyInto(result);
        return result;
    }

    /** The data of the named resource in a section's records. */
    static byte[] resourceData(byte[] records, String resource) throws IOException {
        int[] at = {0};
        while (at[0] < records.length) {
            skipHeaderBlock(records, at);
            String name = readName(records, at);
            int size = readU32(records, at);
            need(records, at[0], size);
            if (name.equals(resource)) {
                byte[] data = new byte[size];
                System.arraycopy(records, at[0], data, 0, size);
                return data;
            }
            at[0] += size;
        }
        throw archiveError("no such resource: ", resource);
    }

    /** Where the OffsetTable starts: the file's last 8 bytes say so. */
    private static int offsetTable(byte[] archive) throws IOException {
        if (archive.length < 8) throw archiveError("archive too short: ", "no table offset");
        int[] at = {archive.length - 8};
        int offset = readOffset(archive, at);
        if (offset > archive.length - 8 - 2) throw archiveError("bad OffsetTable offset: ", "beyond the end of the file");
        return offset;
    }

    private static byte[] inflateRaw(byte[] archive, int start, int size, String section) throws IOException {
        // Old JVMs' raw inflaters read one byte past the stream's end, so it
        // gets one dummy zero byte behind it.
        byte[] input = new byte[size + 1];
        System.arraycopy(archive, start, input, 0, size);
        Inflater inflater = new Inflater(true);
        try {
            inflater.setInput(input);
            ByteArrayOutputStream records = new ByteArrayOutputStream();
            byte[] chunk = new byte[65536];
            while (!inflater.finished()) {
                int n = inflater.inflate(chunk);
                if (n == 0 && (inflater.needsInput() || inflater.needsDictionary()))
                    throw archiveError("compressed section is cut short: ", section);
                records.write(chunk, 0, n);
            }
            return records.toByteArray();
        } catch (DataFormatException e) {
            throw archiveError("compressed section is damaged: ", section);
        } finally {
            inflater.end();
        }
    }

    private static void skipHeaderBlock(byte[] records, int[] at) throws IOException {
        int length = readU32(records, at);
        need(records, at[0], length);
        at[0] += length;
    }

    private static String readName(byte[] bytes, int[] at) throws IOException {
        int length = readU16(bytes, at);
        need(bytes, at[0], length);
        String name = new String(bytes, at[0], length, "UTF8");
        at[0] += length;
        return name;
    }

    private static int readU16(byte[] bytes, int[] at) throws IOException {
        need(bytes, at[0], 2);
        int value = (bytes[at[0]] & 0xff) << 8 | bytes[at[0] + 1] & 0xff;
        at[0] += 2;
        return value;
    }

    /** A u32 that must fit an int: no resource in a byte array is larger. */
    private static int readU32(byte[] bytes, int[] at) throws IOException {
        need(bytes, at[0], 4);
        long value = 0;
        for (int i = 0; i < 4; i++) value = value << 8 | bytes[at[0] + i] & 0xff;
        at[0] += 4;
        if (value > bytes.length) throw archiveError("size beyond the end of the archive: ", Long.toString(value));
        return (int) value;
    }

    /** A u64 offset or size that must lie within the archive. */
    private static int readOffset(byte[] bytes, int[] at) throws IOException {
        need(bytes, at[0], 8);
        long value = 0;
        for (int i = 0; i < 8; i++) {
            if (value > bytes.length) break; // already out of range; avoid overflow
            value = value << 8 | bytes[at[0] + i] & 0xff;
        }
        at[0] += 8;
        if (value < 0 || value > bytes.length) throw archiveError("offset beyond the end of the archive: ", Long.toString(value));
        return (int) value;
    }

    private static void need(byte[] bytes, int at, int count) throws IOException {
        if (count < 0 || at > bytes.length - count) throw archiveError("archive cut short at byte ", Integer.toString(at));
    }

    private static IOException archiveError(String what, String detail) {
        return new IOException(new StringBuffer(what).append(detail).toString());
    }
    // @members-end
}
