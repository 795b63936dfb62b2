// The example application started by the launcher: says hello and shows what it was given.
package com.example.hello;

public final class HelloApp {
    private HelloApp() {}

    public static void main(String[] args) {
        System.out.println("Hello from a Java application started by the launcher!");
        System.out.println();
        System.out.println("  Java version  " + System.getProperty("java.version"));
        System.out.println("  Java vendor   " + System.getProperty("java.vendor"));
        System.out.println("  java.home     " + System.getProperty("java.home"));
        System.out.println("  KX_JVM_PATH   " + orNotSet(System.getenv("KX_JVM_PATH")));
        System.out.println("  KX_JVM_HOME   " + orNotSet(System.getenv("KX_JVM_HOME")));
        System.out.println();
        if (args.length == 0) {
            System.out.println("No arguments.");
        } else {
            System.out.println(args.length + (args.length == 1 ? " argument:" : " arguments:"));
            for (int i = 0; i < args.length; i++) System.out.println("  [" + i + "] " + args[i]);
        }
    }

    // The launcher sets both variables; started with plain `java` they are absent.
    private static String orNotSet(String value) {
        return value == null ? "(not set)" : value;
    }
}
