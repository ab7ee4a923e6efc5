/**
 * Prints the properties of the JVM that runs it, one "name = value" line each,
 * ended by CR LF whatever the platform: the launcher reads java.version and
 * java.vendor.url from this output to decide whether the JVM will do.
 */
public class Verify {
    private static final String[] PROPERTIES = {
        // The launcher relies on these four coming first, in this order.
        "java.home", "java.version", "java.vendor.url", "java.vendor",
        "java.class.path", "java.class.version",
        "user.name", "user.home", "user.dir",
        "os.name", "os.version", "os.arch",
    };

    public static void main(String[] args) {
        StringBuilder out = new StringBuilder();
        for (String name : PROPERTIES) {
            String value = System.getProperty(name);
            out.append(name).append(" = ").append(value == null ? "" : value).append("\r\n");
        }
        System.out.print(out);
        System.out.flush();
        System.exit(0);
    }
}
