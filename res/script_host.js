// The host functions a script expects of its surroundings (timers, queueMicrotask) and the tracking of promise
// rejections that nothing handles. Evaluated once per engine, before user code, as a function of the workbench's host
// object, which no script can reach: everything here keeps its own references to what it uses, so a script that
// replaces built-ins breaks at most its own engine.
(function (host, global) {
    'use strict';
    var apply = Reflect.apply;
    var construct = Reflect.construct;
    var defineProperty = Object.defineProperty;
    var getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;
    var ownKeys = Reflect.ownKeys;
    var slice = Array.prototype.slice;
    var max = Math.max;
    var makeSymbol = Symbol;
    var TypeErrorCtor = TypeError;
    var RangeErrorCtor = RangeError;
    var PENDING = 1, REJECTED = 3;

    function define(object, name, value) {
        defineProperty(object, name, {value: value, writable: true, configurable: true, enumerable: false});
    }

    function describe(value) {
        if (value === null)
            return 'null';
        if (typeof value === 'string')
            return "type string ('" + value + "')";
        if (typeof value === 'object')
            return 'an instance of Object';
        return 'type ' + typeof value + ' (' + String(value) + ')';
    }

    function requireFunction(callback) {
        if (typeof callback !== 'function')
            throw new TypeErrorCtor('The "callback" argument must be of type function. Received ' + describe(callback));
    }

    function addTimer(callback, delay, args, repeat) {
        requireFunction(callback);
        var id = host.addTimer(callback, delay, args, repeat);
        if (id < 0)
            throw new RangeErrorCtor('Too many timers are pending');
        return id;
    }

    var installed = {timers: false, promises: false};
    var tracker = null;

    function installTimers() {
        if (installed.timers)
            return [];
        installed.timers = true;
        // The native promise that queued jobs hang from; its then is the native one, so they are not tracked as
        // handled or unhandled.
        var NativePromise = global.Promise;
        var nativeThen = NativePromise.prototype.then;
        var resolved = apply(NativePromise.resolve, NativePromise, [undefined]);
        var functions = {
            setTimeout: function setTimeout(callback, delay) {
                return addTimer(callback, delay, apply(slice, arguments, [2]), false);
            },
            setInterval: function setInterval(callback, delay) {
                return addTimer(callback, delay, apply(slice, arguments, [2]), true);
            },
            clearTimeout: function clearTimeout(id) {
                host.clearTimer(id);
            },
            clearInterval: function clearInterval(id) {
                host.clearTimer(id);
            },
            queueMicrotask: function queueMicrotask(callback) {
                requireFunction(callback);
                apply(nativeThen, resolved, [function () {
                    try {
                        apply(callback, undefined, []);
                    } catch (e) {
                        // Thrown by the job itself: an uncaught exception, not a rejection.
                        host.reportException(e);
                    }
                }]);
            }
        };
        var names = [];
        for (var name in functions) {
            define(global, name, functions[name]);
            names[names.length] = name;
        }
        return names;
    }

    // Every promise made through the global constructor is noted, and every promise whose then was called counts
    // as handled (catch, finally, await and adoption all call then). After the work and its jobs, a noted promise
    // that is rejected and was never handled is reported. The constructor's replacement shares the native
    // prototype, so instanceof, subclasses and the promises the engine makes for then all go through it.
    function installPromiseTracking() {
        if (installed.promises)
            return [];
        installed.promises = true;
        var Native = global.Promise;
        if (typeof Native !== 'function' || !Native.prototype || typeof Native.prototype.then !== 'function')
            return [];
        var proto = Native.prototype;
        var nativeThen = proto.then;
        // Handled promises carry a mark of their own: the engine's WeakSet searches its entries one by one and its
        // collector crashes on large weak collections. A promise that takes no property (frozen) is listed instead.
        var handledMark = makeSymbol('handled');
        var frozenHandled = [];
        var markHandled = function (promise) {
            if (promise[handledMark] === true)
                return;
            try {
                defineProperty(promise, handledMark, {value: true});
            } catch (e) {
                if (frozenHandled.length < 10000)
                    frozenHandled[frozenHandled.length] = promise;
            }
        };
        var isHandled = function (promise) {
            if (promise[handledMark] === true)
                return true;
            for (var i = 0; i < frozenHandled.length; ++i) {
                if (frozenHandled[i] === promise)
                    return true;
            }
            return false;
        };
        var noted = [];
        // Past this many noted promises the settled ones are sorted out; pending ones past the hard bound are
        // forgotten (their rejections would go unreported, but memory stays bounded).
        var sortAt = 10000;
        var hardBound = 1000000;

        function sortOut(report) {
            var reasons = [];
            var keep = [];
            for (var i = 0; i < noted.length; ++i) {
                var promise = noted[i];
                var state = host.promiseState(promise);
                if (state === PENDING) {
                    keep[keep.length] = promise;
                } else if (state === REJECTED && !isHandled(promise)) {
                    if (report)
                        reasons[reasons.length] = host.promiseResult(promise);
                    else
                        keep[keep.length] = promise;
                }
            }
            if (keep.length > hardBound)
                keep = apply(slice, keep, [keep.length - hardBound]);
            noted = keep;
            sortAt = max(10000, keep.length * 2);
            return reasons;
        }

        function Promise(executor) {
            if (new.target === undefined)
                throw new TypeErrorCtor("Promise constructor cannot be invoked without 'new'");
            var promise = construct(Native, [executor], new.target);
            noted[noted.length] = promise;
            if (noted.length > sortAt)
                sortOut(false);
            return promise;
        }
        defineProperty(Promise, 'prototype', {value: proto, writable: false, enumerable: false, configurable: false});
        var keys = ownKeys(Native);
        for (var i = 0; i < keys.length; ++i) {
            var key = keys[i];
            if (key !== 'prototype' && key !== 'length' && key !== 'name')
                defineProperty(Promise, key, getOwnPropertyDescriptor(Native, key));
        }
        define(proto, 'constructor', Promise);
        define(proto, 'then', function then(onFulfilled, onRejected) {
            if (this !== null && (typeof this === 'object' || typeof this === 'function'))
                markHandled(this);
            return apply(nativeThen, this, arguments);
        });
        define(global, 'Promise', Promise);
        tracker = sortOut;
        return [];
    }

    return {
        // Installs what text may use; returns the names of the globals it added.
        prepare: function (wantTimers, wantPromises) {
            var names = [];
            if (wantPromises)
                names = installPromiseTracking();
            if (wantTimers)
                names = names.concat(installTimers());
            return names;
        },
        // The reasons of the noted promises that are rejected and were never handled, each reported once.
        unhandledRejections: function () {
            return tracker ? tracker(true) : [];
        }
    };
})
